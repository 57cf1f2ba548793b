#include "UnitWording.h"

QString PluralUnit(const QString& unit)
{
    return unit + QLatin1Char('s');
}

QString CurrentUnitsCaption(const QString& unit)
{
    return QStringLiteral("Current ") + PluralUnit(unit);
}
