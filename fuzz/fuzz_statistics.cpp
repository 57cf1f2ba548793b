// Arbitrary readings and maintenance rows through the statistics: the panel never shows inf or nan.
#include "TextConversions.h"
#include "VehicleStatistics.h"

#include <QLocale>
#include <algorithm>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {
QDateTime fuzzedDate(FuzzedDataProvider& in)
{
    return AtMidnight(QDate(2020, 1, 1).addDays(in.ConsumeIntegralInRange<int>(-4000, 4000)));
}

void mustBeShowable(const QString& text)
{
    if (text.isEmpty() || text.contains(QLatin1String("nan"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("inf"), Qt::CaseInsensitive))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool pinned = [] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        return true;
    }();
    (void)pinned;
    FuzzedDataProvider in(data, size);
    QVector<MileageRow> readings(in.ConsumeIntegralInRange<int>(0, 64));
    for (MileageRow& r : readings) {
        r.Date = fuzzedDate(in);
        r.CurrentMileage = in.ConsumeFloatingPoint<double>();
        r.Amount = in.ConsumeFloatingPoint<double>();
        r.PricePer = in.ConsumeFloatingPoint<double>();
    }
    // The store hands readings over in date order, then by reading.
    std::sort(readings.begin(), readings.end(), [](const MileageRow& a, const MileageRow& b) {
        return a.Date != b.Date ? a.Date < b.Date : a.CurrentMileage < b.CurrentMileage;
    });
    QVector<MaintenanceRow> maintenance(in.ConsumeIntegralInRange<int>(0, 16));
    for (MaintenanceRow& m : maintenance) {
        m.Date = fuzzedDate(in);
        m.Cost = in.ConsumeFloatingPoint<double>();
    }
    const QDate today = QDate(2020, 1, 1).addDays(in.ConsumeIntegralInRange<int>(-4000, 4000));

    const VehicleStatisticsTexts t =
        FormatStatistics(ComputeStatistics(readings, maintenance, today));
    for (const QString* text :
         {&t.lblCurrentMileage, &t.lblMiles, &t.lblMilesDate, &t.lblCost, &t.lblCostDate,
          &t.lblCostinc, &t.lblCostincDate, &t.lblCostPer, &t.lblCostPerDate, &t.lblCostPerinc,
          &t.lblCostPerincDate, &t.lblMilesPerLitreTD, &t.lblMilesPerLitreYR,
          &t.lblMilesPerGallonTD, &t.lblMilesPerGallonYR})
        mustBeShowable(*text);
    return 0;
}
