#include "LogRules.h"

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

ReadingBounds BoundsFor(const QVector<MileageRow>& readings, const QDateTime& date, qsizetype skip)
{
    ReadingBounds bounds;
    for (qsizetype i = 0; i < readings.size(); ++i) {
        if (i == skip)
            continue;
        const MileageRow& row = readings[i];
        if (row.Date < date) {
            if (!bounds.lower || row.CurrentMileage > bounds.lower->CurrentMileage)
                bounds.lower = row;
        } else if (row.Date > date) {
            if (!bounds.upper || row.CurrentMileage < bounds.upper->CurrentMileage)
                bounds.upper = row;
        }
    }
    return bounds;
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

} // namespace LogRules
