#include "LogRules.h"

#include <algorithm>

namespace LogRules {

bool IsFuture(const QDateTime& date, const QDate& today)
{
    return date > QDateTime(today, QTime(0, 0), Qt::UTC);
}

bool IsPositive(double value)
{
    return value > 0;
}

bool IsBeforeLatest(const QDateTime& date, const QDateTime& latestDate)
{
    return date < latestDate;
}

bool IsBelowLatest(double reading, double latestReading)
{
    return reading < latestReading;
}

bool CanRemoveReading(qsizetype readingsHeld)
{
    return readingsHeld > 1;
}

bool GoesDown(double previousReading, double reading)
{
    return reading < previousReading;
}

bool IsBelowZero(double reading)
{
    return reading < 0;
}

namespace {

// One pass; `row` gives a reading of the list, or null for one left out.
template <typename List, typename RowOf>
ReadingBounds boundsOver(const List& list, const QDateTime& date, RowOf row)
{
    ReadingBounds bounds;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const MileageRow* r = row(i);
        if (!r)
            continue;
        if (r->Date < date) {
            if (!bounds.lower || r->CurrentMileage > bounds.lower->CurrentMileage)
                bounds.lower = *r;
        } else if (r->Date > date) {
            if (!bounds.upper || r->CurrentMileage < bounds.upper->CurrentMileage)
                bounds.upper = *r;
        }
    }
    return bounds;
}

} // namespace

ReadingBounds BoundsFor(const QVector<MileageRow>& readings, const QDateTime& date, qsizetype skip)
{
    return boundsOver(readings, date,
                      [&](qsizetype i) { return i == skip ? nullptr : &readings[i]; });
}

ReadingBounds BoundsFor(const QVector<MileageEntry>& entries, const QDateTime& date, qint64 skipId)
{
    return boundsOver(entries, date, [&](qsizetype i) {
        return entries[i].id == skipId ? nullptr : &entries[i].row;
    });
}

ReadingFit Fit(const ReadingBounds& bounds, double reading)
{
    if (bounds.lower && reading < bounds.lower->CurrentMileage)
        return ReadingFit::BelowEarlier;
    if (bounds.upper && reading > bounds.upper->CurrentMileage)
        return ReadingFit::AboveLater;
    return ReadingFit::Fits;
}

std::optional<Conflict> FirstMergeConflict(const QVector<MileageRow>& a,
                                           const QVector<MileageRow>& b)
{
    // Merged as MileageChronological orders one vehicle: by date, then reading. Within a date
    // readings ascend, so a step down is always between two dates.
    const auto before = [](const MileageRow& x, const MileageRow& y) {
        return x.Date < y.Date || (x.Date == y.Date && x.CurrentMileage < y.CurrentMileage);
    };
    qsizetype i = 0, j = 0;
    const MileageRow* previous = nullptr;
    while (i < a.size() || j < b.size()) {
        const bool takeA = j >= b.size() || (i < a.size() && !before(b[j], a[i]));
        const MileageRow& next = takeA ? a[i++] : b[j++];
        if (previous && GoesDown(previous->CurrentMileage, next.CurrentMileage))
            return Conflict{*previous, next};
        previous = &next;
    }
    return std::nullopt;
}

std::optional<Overlap> LongMergeOverlap(const QDateTime& aFirst, const QDateTime& aLast,
                                        const QDateTime& bFirst, const QDateTime& bLast)
{
    if (!aFirst.isValid() || !aLast.isValid() || !bFirst.isValid() || !bLast.isValid())
        return std::nullopt;
    const Overlap shared{std::max(aFirst, bFirst), std::min(aLast, bLast)};
    if (shared.from.addYears(1) < shared.to)
        return shared;
    return std::nullopt;
}

} // namespace LogRules
