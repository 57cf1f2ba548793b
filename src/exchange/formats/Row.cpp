#include "Row.h"

#include "FileBuilder.h"
#include "FileValues.h"
#include "RowReasons.h"

Row::Row(FileBuilder& builder, const CsvRecord& record, const Columns* columns)
    : builder_(builder), record_(record), columns_(columns)
{
    if (record.cutOff)
        problem_ = QStringLiteral("the line is cut off (a quoted field is not closed)");
}

QStringView Row::field(int column, const QString& name, bool required)
{
    if (column < 0 || column >= record_.size()) {
        if (required)
            fail(column < 0 ? QStringLiteral("the file has no column %1").arg(name)
                            : QStringLiteral("the column %1 is missing").arg(name));
        return {};
    }
    return record_.field(column);
}

QStringView Row::field(int meaning, bool required)
{
    return field(columns_->at(meaning), columns_->name(meaning), required);
}

std::optional<double> Row::number(int column, const QString& name, QChar decimal, bool required)
{
    const QStringView t = field(column, name, required).trimmed();
    if (t.isEmpty()) {
        if (required)
            fail(QStringLiteral("there is no %1").arg(name));
        return std::nullopt;
    }
    auto value = FileNumber(t, decimal, &builder_.marks());
    if (!value)
        fail(QStringLiteral("\"%1\" in %2 is not a number").arg(t, name));
    return value;
}

std::optional<double> Row::number(int meaning, QChar decimal, bool required)
{
    return number(columns_->at(meaning), columns_->name(meaning), decimal, required);
}

std::optional<RowDate> Row::date(QStringView text, const QString& name)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty()) {
        fail(QStringLiteral("there is no %1").arg(name));
        return std::nullopt;
    }
    qsizetype digits = 0;
    while (digits < t.size() && t[digits].isDigit())
        ++digits;
    const bool yearFirst = digits == 4;
    const auto dayFirst = FileDate(t, yearFirst ? DayOrder::YearFirst : DayOrder::DayFirst);
    const auto monthFirst = yearFirst ? dayFirst : FileDate(t, DayOrder::MonthFirst);
    // Both readings of a day/month date share its year.
    if (const QString problem = DateProblem(dayFirst ? dayFirst : monthFirst, t, name);
        !problem.isEmpty()) {
        fail(problem);
        return std::nullopt;
    }
    if (dayFirst && monthFirst && *dayFirst == *monthFirst)
        return RowDate{-1, *dayFirst};
    return RowDate{builder_.addPending(t.toString(), line(), dayFirst, monthFirst), {}};
}
