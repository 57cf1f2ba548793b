#pragma once

#include <QString>
#include <stdexcept>

// A failure of the vehicle log store, with the store's numeric code (SQLite's own codes,
// and 3421 for a value that cannot be converted to its field's type).
class StoreError : public std::runtime_error
{
public:
    static constexpr int ConversionFailure = 3421;

    StoreError(int code, const QString& message);
    int code() const noexcept { return code_; }
    QString text() const { return QString::fromUtf8(what()); }

private:
    int code_;
};
