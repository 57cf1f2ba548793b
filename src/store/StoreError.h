#pragma once

#include <QString>
#include <stdexcept>

// A failure of the vehicle log store, with the store's numeric code (SQLite's own primary codes,
// and codes of the store's own from 3421 up). text() and what() are plain words for the user;
// detail() may hold the engine's own message, for developers only.
class StoreError : public std::runtime_error
{
public:
    static constexpr int Busy = 5;      // another program holds the file
    static constexpr int NotFound = 12; // no such entry or vehicle
    static constexpr int CantOpen = 14; // the file cannot be opened
    static constexpr int ConversionFailure = 3421;
    static constexpr int TooNew = 3422;        // written by a newer version of the program
    static constexpr int OnlyReading = 3423;   // a vehicle's only reading cannot be removed
    static constexpr int OutOfOrder = 3424;    // readings would go down in date order
    static constexpr int AlreadyExists = 3425; // a vehicle of that registration is stored
    static constexpr int Blank = 3426;         // a registration of blanks only
    // Put Back of an entry replaced by an edit whose replacement is not known
    static constexpr int ReplacementUnknown = 3427;
    // An entry the entry checks refuse, written past the form that checks it.
    static constexpr int Refused = 3428;
    // A write a stopped program left half done, which a read-only open cannot roll back.
    static constexpr int UnfinishedWrite = 3430;

    StoreError(int code, const QString& message, const QString& detail = QString());
    int code() const noexcept { return code_; }
    QString text() const { return QString::fromUtf8(what()); }
    QString detail() const { return detail_; }

private:
    int code_;
    QString detail_;
};
