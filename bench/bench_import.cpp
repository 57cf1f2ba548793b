// Importing 100,000 fill-ups from a file: read, plan against the log, store in one step, each
// beside a bare yardstick that parses the same bytes with a minimal splitter and inserts the same
// rows through SQLite's C interface into the same empty store, in one transaction with the
// store's durability (synchronous=FULL).
//
// `kelmot_bench_import --write-files DIR` writes Kelmot's own CSV of the 100,000 fill-ups and an
// empty store into DIR for bare_import.py (the same comparison against Python's csv + sqlite3).
#include "Clock.h"
#include "Export.h"
#include "ImportPlan.h"
#include "ReadImport.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstring>
#include <sqlite3.h>
#include <string_view>
#include <vector>

namespace {

constexpr int FillUps = 100000;

class FixedClock final : public Clock
{
public:
    QDate today() const override { return QDate(2030, 1, 1); }
    QDateTime now() const override { return QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC); }
};

QDateTime when(int i)
{
    return QDateTime(QDate(1990, 1, 1), QTime(8, 0), Qt::UTC).addSecs(qint64(i) * 7200);
}

// LubeLogger's fuel records: a date, an odometer, litres and the total paid.
QByteArray lubeLoggerFillUps(int count)
{
    QByteArray csv(
        "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\n");
    for (int i = 0; i < count; ++i) {
        csv += when(i).toString("yyyy-MM-dd").toLatin1();
        csv += ',' + QByteArray::number(1000 + i * 37) + ",40.5,61.23,0,True,False,,\n";
    }
    return csv;
}

// Kelmot's own export of one vehicle with `count` readings, several a day.
QByteArray kelmotFillUps(int count)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Mileage.mdb");
    VehicleLog::Create(path);
    auto log = VehicleLog::Open(path);
    LogBatch batch;
    batch.vehicles.append({QStringLiteral("BENCH 1"), QStringLiteral("Ford"),
                           QStringLiteral("Focus"), QStringLiteral("Diesel"), 1.6,
                           QDateTime(QDate(1989, 6, 1), QTime(0, 0), Qt::UTC),
                           QDateTime(QDate(1989, 7, 1), QTime(0, 0), Qt::UTC)});
    for (int i = 0; i < count; ++i)
        batch.mileage.append({QStringLiteral("BENCH 1"), when(i), 1000.0 + i * 37.25, 61.23,
                              1.5 + (i % 50) / 100.0});
    log->AppendBatch(batch);
    return ExportCsv(*log, ExportOptions());
}

const QByteArray& kelmotCsv()
{
    static const QByteArray csv = kelmotFillUps(FillUps);
    return csv;
}

QString emptyStore(const QTemporaryDir& dir)
{
    const QString path = QDir(dir.path()).filePath("Mileage.mdb");
    VehicleLog::Create(path);
    return path;
}

// kelmot-data import FILE: read, then planned and stored under the write lock.
void BM_ImportKelmotCsv(benchmark::State& state)
{
    const QByteArray& csv = kelmotCsv();
    FixedClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto log = VehicleLog::Open(emptyStore(dir));
        state.ResumeTiming();
        const ImportFile file = ReadImportContent(csv);
        ImportPlan plan;
        ImportUnderWriteLock(*log, file, ImportOptions(), clock, plan);
        benchmark::DoNotOptimize(plan.newMileage.size());
    }
    state.SetItemsProcessed(state.iterations() * FillUps);
}

void BM_Import100kFillUps(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QByteArray csv = lubeLoggerFillUps(rows);
    FixedClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto log = VehicleLog::Open(emptyStore(dir));
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

// The yardstick: lines split at LF (a CR before it dropped) and fields at commas, no quoting,
// numbers by from_chars; every row bound to one prepared insert in one transaction.
using Fields = std::vector<std::string_view>;

template <typename PerRow> void bareSplit(const QByteArray& csv, PerRow perRow)
{
    std::string_view rest(csv.constData(), size_t(csv.size()));
    Fields fields;
    bool header = true;
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        fields.clear();
        for (size_t at = 0;;) {
            const size_t comma = std::min(line.find(',', at), line.size());
            fields.push_back(line.substr(at, comma - at));
            if (comma == line.size())
                break;
            at = comma + 1;
        }
        if (!header)
            perRow(fields);
        header = false;
    }
}

double bareNumber(std::string_view text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void bindText(sqlite3_stmt* s, int i, std::string_view text)
{
    sqlite3_bind_text(s, i, text.data(), int(text.size()), SQLITE_STATIC);
}

struct BareStore
{
    explicit BareStore(const QString& path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, R"(INSERT INTO "Mileage" VALUES (?, ?, ?, ?, ?, 0))", -1, &mileage,
                           nullptr);
        sqlite3_prepare_v2(db, R"(INSERT INTO "Vehicle Details" VALUES (?, ?, ?, ?, ?, ?, ?))", -1,
                           &vehicle, nullptr);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~BareStore()
    {
        sqlite3_finalize(mileage);
        sqlite3_finalize(vehicle);
        sqlite3_close(db);
    }
    void commit() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    void addMileage(std::string_view registration, std::string_view date, double reading,
                    double amount, double price)
    {
        bindText(mileage, 1, registration);
        bindText(mileage, 2, date);
        sqlite3_bind_double(mileage, 3, reading);
        sqlite3_bind_double(mileage, 4, amount);
        sqlite3_bind_double(mileage, 5, price);
        sqlite3_step(mileage);
        sqlite3_reset(mileage);
    }
    sqlite3* db = nullptr;
    sqlite3_stmt* mileage = nullptr;
    sqlite3_stmt* vehicle = nullptr;
};

// Kelmot's CSV: the vehicle row and each Mileage row, the numbers as the file writes them.
void BM_BareImportKelmotCsv(benchmark::State& state)
{
    const QByteArray& csv = kelmotCsv();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        BareStore store(emptyStore(dir));
        state.ResumeTiming();
        int rows = 0;
        bareSplit(csv, [&](const Fields& f) {
            if (f.size() < 15)
                return;
            if (f[0] == "Mileage") {
                store.addMileage(f[1], f[2], bareNumber(f[3]), bareNumber(f[5]), bareNumber(f[6]));
                ++rows;
            } else if (f[0] == "Vehicle") {
                bindText(store.vehicle, 1, f[1]);
                bindText(store.vehicle, 2, f[9]);
                bindText(store.vehicle, 3, f[10]);
                bindText(store.vehicle, 4, f[11]);
                sqlite3_bind_double(store.vehicle, 5, bareNumber(f[12]));
                bindText(store.vehicle, 6, f[13]);
                bindText(store.vehicle, 7, f[14]);
                sqlite3_step(store.vehicle);
                sqlite3_reset(store.vehicle);
            }
        });
        store.commit();
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * FillUps);
}

// LubeLogger's file: date, odometer, litres and total; the price per litre worked out.
void BM_BareImport100kFillUps(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QByteArray csv = lubeLoggerFillUps(rows);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        BareStore store(emptyStore(dir));
        state.ResumeTiming();
        bareSplit(csv, [&](const Fields& f) {
            const double litres = bareNumber(f[2]), total = bareNumber(f[3]);
            store.addMileage("BENCH 1", f[0], bareNumber(f[1]), total, total / litres);
        });
        store.commit();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace

BENCHMARK(BM_ImportKelmotCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareImportKelmotCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import100kFillUps)->Arg(FillUps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareImport100kFillUps)->Arg(FillUps)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write-files") == 0) {
        const QDir dir(QString::fromLocal8Bit(argv[2]));
        QFile csv(dir.filePath("fillups.csv"));
        if (!csv.open(QIODevice::WriteOnly) || csv.write(kelmotCsv()) != kelmotCsv().size())
            return 1;
        VehicleLog::Create(dir.filePath("empty.mdb"));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
