#include "UnitWording.h"

QString PluralUnit(const QString& unit)
{
    return unit + QLatin1Char('s');
}

QString CurrentUnitsCaption(const QString& unit)
{
    return QStringLiteral("Current ") + PluralUnit(unit);
}

std::optional<DistanceUnitKind> UnitNamed(QStringView word)
{
    if (word == u"Mile")
        return DistanceUnitKind::Mile;
    if (word == u"Kilometre")
        return DistanceUnitKind::Kilometre;
    return std::nullopt;
}

DistanceUnitKind LogUnitOf(const QString& word)
{
    return UnitNamed(word).value_or(DistanceUnitKind::Mile);
}

QString UnitWord(DistanceUnitKind unit)
{
    return unit == DistanceUnitKind::Kilometre ? QStringLiteral("Kilometre")
                                               : QStringLiteral("Mile");
}
