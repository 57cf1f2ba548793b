#include "StoreError.h"

StoreError::StoreError(int code, const QString& message)
    : std::runtime_error(message.toStdString()), code_(code)
{
}
