// The file's day/month order: what its own rows, its declaration or the caller decide.
#include "ExchangeErrors.h"
#include "FileBuilder.h"
#include "FileValues.h"

namespace {

QString orderWords(DateOrder order)
{
    return order == DateOrder::DayFirst ? QStringLiteral("day first (day/month/year)")
                                        : QStringLiteral("month first (month/day/year)");
}

} // namespace

void FileBuilder::declareDateOrder(const QString& pattern, const QString& where)
{
    if (declared_ != DateOrder::Unknown)
        return;
    const DayOrder order = OrderOfPattern(pattern.trimmed());
    if (pattern.trimmed().isEmpty() || order == DayOrder::YearFirst)
        return;
    declared_ = order == DayOrder::DayFirst ? DateOrder::DayFirst : DateOrder::MonthFirst;
    declaredWhere_ = QStringLiteral("%1 (%2)").arg(where, pattern.trimmed());
}

qsizetype FileBuilder::addPending(const QString& text, int line, std::optional<QDateTime> dayFirst,
                                  std::optional<QDateTime> monthFirst)
{
    pending_.append({text, line, dayFirst, monthFirst});
    return pending_.size() - 1;
}

DateOrder FileBuilder::decideOrder()
{
    const Pending* dayOnly = nullptr;
    const Pending* monthOnly = nullptr;
    bool twoWays = false;
    for (const Pending& p : pending_) {
        if (p.dayFirst && !p.monthFirst)
            dayOnly = dayOnly ? dayOnly : &p;
        else if (p.monthFirst && !p.dayFirst)
            monthOnly = monthOnly ? monthOnly : &p;
        else
            twoWays = true;
    }
    if (dayOnly && monthOnly)
        throw ImportError(QStringLiteral("The file's dates contradict each other: %1 on line %2 "
                                         "can only be day first, %3 on line %4 only month "
                                         "first; nothing was imported.")
                              .arg(dayOnly->text)
                              .arg(dayOnly->line)
                              .arg(monthOnly->text)
                              .arg(monthOnly->line));
    if (dayOnly || monthOnly) {
        const Pending* by = dayOnly ? dayOnly : monthOnly;
        file_.dateOrder = dayOnly ? DateOrder::DayFirst : DateOrder::MonthFirst;
        file_.dateOrderLine = by->line;
        note(QStringLiteral("dates read %1, as line %2 (%3) shows")
                 .arg(orderWords(file_.dateOrder))
                 .arg(by->line)
                 .arg(by->text));
    } else if (!twoWays) {
        return DateOrder::Unknown;
    } else if (declared_ != DateOrder::Unknown) {
        file_.dateOrder = declared_;
        note(QStringLiteral("dates read %1, as %2 declares; no date of the file tells")
                 .arg(orderWords(declared_), declaredWhere_));
    } else if (options_.dateOrder != DateOrder::Unknown) {
        file_.dateOrder = options_.dateOrder;
        note(QStringLiteral("dates read %1, as asked; no date of the file tells")
                 .arg(orderWords(options_.dateOrder)));
    } else {
        file_.dateOrderUndecided = true;
        note(QStringLiteral("nothing in the file tells whether its dates are day first or "
                            "month first"));
    }
    return file_.dateOrder;
}
