#pragma once

#include "StoreRows.h"

#include <QDate>
#include <QDateTime>
#include <optional>

// The log's rules in one place, without widgets: every vehicle keeps a reading; readings do not
// go down in date order; no date lies in the future; amounts, prices and costs are above 0.
// The dialogs, import, check and the History window ask here and word the answer their own way.
namespace LogRules {

// Today with a time of day counts as later than today: only midnight of today is allowed.
bool IsFuture(const QDateTime& date, const QDate& today);
// Amounts, prices and costs must be above 0 (a value that is not a number is not).
bool IsPositive(double value);
// Appending: a new entry may not be dated before the vehicle's latest entry...
bool IsBeforeLatest(const QDateTime& date, const QDateTime& latestDate);
// ...and a new reading may not be less than the latest reading.
bool IsBelowLatest(double reading, double latestReading);
// A vehicle always keeps at least one reading.
bool CanRemoveReading(qsizetype readingsHeld);
// In date order, a reading lower than the one before it breaks the log.
bool GoesDown(double previousReading, double reading);
// No odometer reading is below 0: a vehicle's first reading may be 0, never less.
bool IsBelowZero(double reading);

// Where a reading dated `date` may lie among a vehicle's other readings.
struct ReadingBounds
{
    std::optional<MileageRow> lower; // the highest reading dated before `date`
    std::optional<MileageRow> upper; // the lowest reading dated after `date`
};

enum class ReadingFit
{
    Fits,
    BelowEarlier, // less than a reading dated before it
    AboveLater    // more than a reading dated after it
};

// One pass over the vehicle's readings, in any order; `skip` leaves out the row at that index
// (the one being edited). Readings of the same date and time bound nothing.
ReadingBounds BoundsFor(const QVector<MileageRow>& readings, const QDateTime& date,
                        qsizetype skip = -1);
// The same over stored entries; `skipId` leaves out the entry of that id.
ReadingBounds BoundsFor(const QVector<MileageEntry>& entries, const QDateTime& date, qint64 skipId);
ReadingFit Fit(const ReadingBounds& bounds, double reading);

// Two readings that break the order when one vehicle's readings are merged into another's.
struct Conflict
{
    MileageRow earlier; // the higher reading, dated before...
    MileageRow later;   // ...this lower one
};

// Both lists in MileageChronological's order; the first pair of the merged order whose reading
// goes down, if any. Linear in the readings.
std::optional<Conflict> FirstMergeConflict(const QVector<MileageRow>& a,
                                           const QVector<MileageRow>& b);

// The time both vehicles of a merge have readings in, from the later first reading to the
// earlier last one, when it is longer than a year: then they are more likely two vehicles than
// one filed under two registrations, and the merge warns.
struct Overlap
{
    QDateTime from, to;
};
std::optional<Overlap> LongMergeOverlap(const QDateTime& aFirst, const QDateTime& aLast,
                                        const QDateTime& bFirst, const QDateTime& bLast);

} // namespace LogRules
