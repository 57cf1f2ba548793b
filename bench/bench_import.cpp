// Importing 100,000 fill-ups from a file: read, plan against the log, store in one step.
#include "Clock.h"
#include "Exchange.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class FixedClock final : public Clock
{
public:
    QDate today() const override { return QDate(2030, 1, 1); }
    QDateTime now() const override { return QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC); }
};

QByteArray fillUps(int count)
{
    QByteArray csv(
        "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\n");
    QDateTime when(QDate(1990, 1, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        csv += when.addSecs(qint64(i) * 7200).toString("yyyy-MM-dd").toLatin1();
        csv += ',' + QByteArray::number(1000 + i * 37) + ",40.5,61.23,0,True,False,,\n";
    }
    return csv;
}

void BM_Import100kFillUps(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QByteArray csv = fillUps(rows);
    FixedClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath("Mileage.mdb");
        VehicleLog::Create(path);
        auto log = VehicleLog::Open(path);
        state.ResumeTiming();
        const ImportFile file = ReadImportContent(csv);
        ImportOptions options;
        options.registrationFor[QString()] = QStringLiteral("BENCH 1");
        const ImportPlan plan = PlanImport(*log, file, options, clock);
        ApplyImport(*log, plan);
        benchmark::DoNotOptimize(plan.newMileage.size());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace

BENCHMARK(BM_Import100kFillUps)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
