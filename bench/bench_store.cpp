// Store benchmarks: reading a vehicle's readings as the log grows, and the cost of one durable
// append against a bare SQLite insert with the same durability.
#include "SqliteDatabase.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

// A store with one vehicle of the given number of readings, filled in one transaction.
QString seededStore(QTemporaryDir& dir, int readings)
{
    const QString path = dir.filePath(QStringLiteral("Mileage.mdb"));
    VehicleLog::Create(path);
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadWrite, 1000);
    SqliteTransaction transaction(db);
    db.execute(R"(INSERT INTO "Vehicle Details" VALUES ('BENCH', '', '', '', 0, '1900-01-01',
        '1900-01-01'))");
    const QDate start(2026 - readings / 365 - 1, 1, 1);
    for (int i = 0; i < readings; ++i) {
        SqliteQuery q = db.query("INSERT INTO Mileage VALUES ('BENCH', ?, ?, 40, 1.5)");
        q->bind(1, start.addDays(i).toString(Qt::ISODate));
        q->bind(2, 1000.0 + i * 10);
        q->run();
    }
    transaction.commit();
    return path;
}

void BM_MileageChronological(benchmark::State& state)
{
    QTemporaryDir dir;
    auto log = VehicleLog::Open(seededStore(dir, int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(log->MileageChronological(QStringLiteral("BENCH")));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MileageChronological)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Alternating the letter case misses the store's one-vehicle cache every time: the cost of a
// real read from the file.
void BM_MileageChronologicalUncached(benchmark::State& state)
{
    QTemporaryDir dir;
    auto log = VehicleLog::Open(seededStore(dir, int(state.range(0))));
    bool lower = false;
    for (auto _ : state) {
        lower = !lower;
        benchmark::DoNotOptimize(
            log->MileageChronological(lower ? QStringLiteral("bench") : QStringLiteral("BENCH")));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MileageChronologicalUncached)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_AppendMileage(benchmark::State& state)
{
    QTemporaryDir dir;
    auto log = VehicleLog::Open(seededStore(dir, 100));
    auto table = log->OpenMileageTable();
    int i = 0;
    for (auto _ : state)
        table->AppendMileage(MileageRow{QStringLiteral("BENCH"), AtMidnight(QDate(2026, 6, 1)),
                                        5000.0 + ++i, 40, 1.5});
}
BENCHMARK(BM_AppendMileage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same row through the bare C interface: autocommit, synchronous=FULL, rollback journal.
void BM_BareSqliteInsert(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray path = seededStore(dir, 100).toLocal8Bit();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Mileage VALUES ('BENCH', '2026-06-01', ?, 40, 1.5)", -1,
                       &insert, nullptr);
    int i = 0;
    for (auto _ : state) {
        sqlite3_bind_double(insert, 1, 5000.0 + ++i);
        if (sqlite3_step(insert) != SQLITE_DONE)
            state.SkipWithError("insert failed");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteInsert)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
