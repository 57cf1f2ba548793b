// History window benchmarks: opening the History of a vehicle with 100,000 readings against the
// bare SQLite read of the same rows, sorting by a column and jumping to the end of the table.
#include "ReadingsModel.h"
#include "SqliteDatabase.h"
#include "TestEnvironment.h"
#include "frmHistory.h"

#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int Readings = 100000;

// Two vehicles of `readings` readings each, several a day, ending today; one transaction.
void seed(const QString& path, int readings, const QDate& today)
{
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadWrite, 1000);
    SqliteTransaction transaction(db);
    for (const char* registration : {"AAA", "BBB"}) {
        SqliteQuery q = db.query(R"(INSERT INTO "Vehicle Details" VALUES (?, 'Ford', 'Focus',
            'Diesel', 1.8, '1900-01-01', '1900-01-01'))");
        q->bind(1, QString::fromLatin1(registration));
        q->run();
        for (int i = 0; i < readings; ++i) {
            const qint64 back = qint64(readings - 1 - i) * 3650 / readings;
            SqliteQuery m = db.query(R"(INSERT INTO Mileage ("Registration", "Date",
                "Current Mileage", "Amount", "Price Per", "Fill") VALUES (?, ?, ?, ?, 1.52, ?))");
            m->bind(1, QString::fromLatin1(registration));
            m->bind(2, today.addDays(-back).toString(Qt::ISODate));
            m->bind(3, 1000.0 + i * 7);
            m->bind(4, i % 5 == 0 ? 0.0 : 45.0); // some readings without fuel
            m->bind(5, qint64(i % 7 == 3     ? 1
                              : i % 50 == 17 ? 2
                                             : 0)); // some partial or after a miss
            m->run();
        }
    }
    transaction.commit();
}

struct Shown
{
    Shown() : env(false)
    {
        VehicleLog::Create(env.storePath());
        seed(env.storePath(), Readings, env.clock.today());
        env.state->OpenStore(env.storePath());
        history = std::make_unique<frmHistory>(*env.state, nullptr);
        history->resize(900, 600);
        history->show();
        history->ShowVehicle(QStringLiteral("AAA"));
        QApplication::processEvents();
        table = history->findChild<QTableView*>(QStringLiteral("grdReadings"));
    }
    TestPlatform env;
    std::unique_ptr<frmHistory> history;
    QTableView* table = nullptr;
};

Shown& shown()
{
    static Shown s;
    return s;
}

// Reading every row the History lists, with its id, straight through SQLite's C interface.
struct BareRow
{
    qint64 id;
    QByteArray date;
    double reading, amount, pricePer;
};

void BM_BareRead(benchmark::State& state)
{
    const QByteArray path = shown().env.storePath().toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db,
                       R"(SELECT rowid, "Date", "Current Mileage", "Amount", "Price Per"
                          FROM "Mileage" WHERE "Registration" = ?
                          ORDER BY "Date", "Current Mileage", rowid)",
                       -1, &select, nullptr);
    int pick = 0;
    for (auto _ : state) {
        pick = 1 - pick;
        sqlite3_bind_text(select, 1, pick ? "BBB" : "AAA", 3, SQLITE_STATIC);
        std::vector<BareRow> rows;
        while (sqlite3_step(select) == SQLITE_ROW)
            rows.push_back(
                {sqlite3_column_int64(select, 0),
                 QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(select, 1)),
                            sqlite3_column_bytes(select, 1)),
                 sqlite3_column_double(select, 2), sqlite3_column_double(select, 3),
                 sqlite3_column_double(select, 4)});
        sqlite3_reset(select);
        benchmark::DoNotOptimize(rows.data());
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}
BENCHMARK(BM_BareRead)->Unit(benchmark::kMillisecond);

// Another vehicle each time, as when the main window picks one: every table read again and the
// visible rows painted.
void BM_HistoryOpen(benchmark::State& state)
{
    Shown& s = shown();
    int pick = 0;
    for (auto _ : state) {
        pick = 1 - pick;
        s.history->ShowVehicle(pick ? QStringLiteral("BBB") : QStringLiteral("AAA"));
        s.table->viewport()->repaint();
    }
}
BENCHMARK(BM_HistoryOpen)->Unit(benchmark::kMillisecond);

void BM_HistorySortByColumn(benchmark::State& state)
{
    Shown& s = shown();
    const int column = int(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        ascending = !ascending;
        s.table->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        s.table->viewport()->repaint();
    }
    s.table->sortByColumn(0, Qt::DescendingOrder);
}
BENCHMARK(BM_HistorySortByColumn)
    ->Arg(ReadingsModel::DateColumn)
    ->Arg(ReadingsModel::PerGallonColumn)
    ->Unit(benchmark::kMillisecond);

void BM_HistoryJumpToEnd(benchmark::State& state)
{
    Shown& s = shown();
    bool end = false;
    for (auto _ : state) {
        end = !end;
        if (end)
            s.table->scrollToBottom();
        else
            s.table->scrollToTop();
        s.table->viewport()->repaint();
    }
}
BENCHMARK(BM_HistoryJumpToEnd)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PinTestEnvironment();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
