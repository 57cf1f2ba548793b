#pragma once

#include <QString>
#include <stdexcept>

// A failure of an import or export step in plain words; nothing was stored.
class ExchangeError : public std::runtime_error
{
public:
    explicit ExchangeError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A file that could not be read at all (no known format, unreadable, empty).
class ImportError : public ExchangeError
{
public:
    using ExchangeError::ExchangeError;
};

// An export refused because its file already exists and replacing it was not asked for.
class ExportFileExists : public ExchangeError
{
public:
    using ExchangeError::ExchangeError;
};

// Thrown when the progress callback returned false; nothing stored.
class ExchangeCancelled : public ExchangeError
{
public:
    ExchangeCancelled();
};
