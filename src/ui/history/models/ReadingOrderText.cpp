#include "ReadingOrderText.h"

#include "TextConversions.h"

namespace {

QString named(const MileageRow& row)
{
    return QStringLiteral("%1 (%2)").arg(PlainNumber(row.CurrentMileage), DateToText(row.Date));
}

} // namespace

QString ReadingOrderText(const LogRules::ReadingBounds& bounds)
{
    const QString field = QStringLiteral("The entry for 'Current Mileage' must ");
    if (bounds.lower && bounds.upper)
        return field + QStringLiteral("lie between %1 and %2")
                           .arg(named(*bounds.lower), named(*bounds.upper));
    if (bounds.lower)
        return field + QStringLiteral("be at least %1").arg(named(*bounds.lower));
    if (bounds.upper)
        return field + QStringLiteral("be at most %1").arg(named(*bounds.upper));
    return {};
}
