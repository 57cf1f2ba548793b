#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

// The forms values take in the store, in one place for the store, import and the windows:
// dates as ISO text, registrations compared as the store compares them, numbers finite.
namespace StoredValues {

// A date the store can hold: the years 100 to 9999.
bool IsStorableDate(const QDateTime& value);
// yyyy-MM-dd, or yyyy-MM-ddTHH:mm:ss when the value has a time of day. A date the store cannot
// hold is StoreError 3421 naming the field.
QString DateText(const QDateTime& value, const QString& field);
// DateText's characters (ASCII) written into out; how many.
int DateChars(const QDateTime& value, const QString& field, char (&out)[19]);
// Only DateText's check: StoreError 3421 naming the field for a date the store cannot hold.
void CheckDate(const QDateTime& value, const QString& field);
// A moment, always with its time of day (when an entry was removed).
QString MomentText(const QDateTime& value, const QString& field);
// Reads DateText's and MomentText's forms back; anything else gives an invalid QDateTime.
QDateTime ParseDate(QByteArrayView text);
// The value itself; one that is not finite is StoreError 3421 naming the field.
double FiniteNumber(double value, const QString& field);
// The kind of cost itself; a kind the store does not know is StoreError 3421.
const QString& KnownCategory(const QString& category);
// Equal as the store compares registrations: ASCII letters without regard to case.
bool SameRegistration(QByteArrayView a, QByteArrayView b);
bool SameRegistration(const QString& a, const QString& b);
// The registration with its blanks taken out and its letters folded: "AB12CDE" and "ab12 cde"
// share one key, so a plate written either way can be matched to a stored vehicle.
QString RegistrationKey(const QString& registration);

} // namespace StoredValues
