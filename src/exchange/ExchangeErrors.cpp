#include "ExchangeErrors.h"

ExchangeError::ExchangeError(const QString& message) : std::runtime_error(message.toStdString()) {}

ExchangeCancelled::ExchangeCancelled()
    : ExchangeError(QStringLiteral("The work was cancelled; nothing was stored."))
{
}
