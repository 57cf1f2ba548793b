#include "StoreError.h"

StoreError::StoreError(int code, const QString& message, const QString& detail)
    : std::runtime_error(message.toStdString()), code_(code), detail_(detail)
{
}
