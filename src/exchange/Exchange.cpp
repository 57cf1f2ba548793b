#include "Exchange.h"

ExchangeError::ExchangeError(const QString& message) : std::runtime_error(message.toStdString()) {}

ExchangeCancelled::ExchangeCancelled()
    : ExchangeError(QStringLiteral("The work was cancelled; nothing was stored."))
{
}

bool ImportPlan::needsRegistration() const
{
    for (const auto& v : vehicles)
        if (v.registration.isEmpty())
            return true;
    return false;
}

bool ImportPlan::addsNothing() const
{
    return newVehicles.isEmpty() && newMileage.isEmpty() && newMaintenance.isEmpty();
}
