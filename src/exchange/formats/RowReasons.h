#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Why a date read from text cannot be stored ("not a date", a year before 100); empty when it
// can. name is the column's.
QString DateProblem(const std::optional<QDateTime>& value, QStringView text, const QString& name);
// Fuel that Kelmot cannot keep as litres: the reason a row of it is refused.
QString UnstorableFuelReason(const QString& unit);
