#include "RowReasons.h"

#include "StoredValues.h"

QString DateProblem(const std::optional<QDateTime>& value, QStringView text, const QString& name)
{
    if (!value)
        return QStringLiteral("\"%1\" in %2 is not a date").arg(text.trimmed(), name);
    if (!StoredValues::IsStorableDate(*value))
        return QStringLiteral("\"%1\" in %2 is a date before the year 100, which the log "
                              "cannot hold")
            .arg(text.trimmed(), name);
    return {};
}

QString UnstorableFuelReason(const QString& unit)
{
    return QStringLiteral("fuel measured in %1 cannot be stored as litres").arg(unit);
}
