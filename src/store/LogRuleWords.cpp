#include "LogRuleWords.h"

#include "TextConversions.h"

namespace LogRuleWords {

QString ReadingText(const MileageRow& reading)
{
    return QStringLiteral("%1 on %2")
        .arg(DistanceToText(reading.CurrentMileage), DateToText(reading.Date.date()));
}

QString BelowZeroMessage()
{
    return QStringLiteral("The entry for 'Current Mileage' must be a positive value");
}

namespace {
QString bound(const MileageRow& reading)
{
    return QStringLiteral("%1 (%2)").arg(DistanceToText(reading.CurrentMileage),
                                         DateToText(reading.Date.date()));
}
} // namespace

QString BoundsPhrase(const LogRules::ReadingBounds& bounds)
{
    if (bounds.lower && bounds.upper)
        return QStringLiteral("lie between %1 and %2")
            .arg(bound(*bounds.lower), bound(*bounds.upper));
    if (bounds.lower)
        return QStringLiteral("be at least %1").arg(bound(*bounds.lower));
    if (bounds.upper)
        return QStringLiteral("be at most %1").arg(bound(*bounds.upper));
    return QString();
}

QString OrderRuleMessage(const LogRules::ReadingBounds& bounds)
{
    return QStringLiteral("The entry for 'Current Mileage' must ") + BoundsPhrase(bounds);
}

} // namespace LogRuleWords
