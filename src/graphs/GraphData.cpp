#include "GraphData.h"

#include "TextConversions.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QString DateField = QStringLiteral("Date");
const QString ReadingField = QStringLiteral("Current Mileage");

} // namespace

void LoadGraphPoints(GraphTable& table, const QVector<MileageRow>& readings)
{
    table.clear();
    table.reserve(std::max(GraphTableMinimumRows, readings.size() + 1));
    table.append({DateField, ReadingField});
    // Readings of the same day come together: they share one text instead of writing it again.
    QDateTime lastDate;
    QString lastDateText;
    for (const MileageRow& reading : readings) {
        if (!reading.Date.isValid() || !std::isfinite(reading.CurrentMileage))
            continue;
        const bool sameDate = reading.Date.timeSpec() == Qt::UTC &&
                              lastDate.timeSpec() == Qt::UTC && lastDate.isValid() &&
                              reading.Date == lastDate;
        if (!sameDate) {
            lastDate = reading.Date;
            lastDateText = DateToText(reading.Date);
        }
        table.append({lastDateText, PlainNumber(reading.CurrentMileage)});
    }
    if (table.size() < GraphTableMinimumRows)
        table.resize(GraphTableMinimumRows);
}

void LoadMonthlyTotals(GraphTable& table, const QVector<MileageRow>& readings, int currentYear)
{
    static const std::array<QString, 12> monthNames = {
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
        QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};

    table = EmptyGraphTable();
    table[0] = {DateField, ReadingField};

    // Whole readings, held in doubles so that no odometer value can overflow; index 0 stays 0.
    std::array<double, 13> monthReading{};
    double firstReading = 0;
    int firstMonth = 0;
    for (const MileageRow& reading : readings) {
        const QDate date = reading.Date.date();
        int year = 0, month = 0;
        date.getDate(&year, &month, nullptr); // one calendar conversion for both
        if (!date.isValid() || year != currentYear || !std::isfinite(reading.CurrentMileage))
            continue;
        const double whole = RoundHalfEven(reading.CurrentMileage);
        // Tested on every row: an opening reading of 0 is replaced by the next one.
        if (firstReading == 0) {
            firstReading = whole;
            firstMonth = month;
        }
        monthReading[month] = whole; // rows come in date order: the month keeps its last
    }

    for (int m = 1; m <= firstMonth; ++m)
        table[m].YText =
            m < firstMonth ? QStringLiteral("0") : PlainNumber(monthReading[m] - firstReading);
    for (int m = firstMonth + 1; m <= 12; ++m) {
        if (monthReading[m] == 0)
            monthReading[m] = monthReading[m - 1]; // carried over through a month without readings
        table[m].YText = PlainNumber(monthReading[m] - monthReading[m - 1]);
    }
    for (int m = 1; m <= 12; ++m)
        table[m].XText = monthNames[m - 1];
}
