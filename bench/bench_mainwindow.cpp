// Main-window benchmarks: showing a vehicle (details, statistics, both graph loads and the
// drawing) as its readings grow, and the peak memory with a very long log shown.
#include "SqliteDatabase.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

// Two vehicles with the same number of readings, ending today, filled in one transaction.
void seed(const QString& path, int readings, const QDate& today)
{
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadWrite, 1000);
    SqliteTransaction transaction(db);
    for (const char* registration : {"AAA", "BBB"}) {
        SqliteQuery q = db.query(R"(INSERT INTO "Vehicle Details" VALUES (?, 'Ford', 'Focus',
            'Diesel', 1.8, '1900-01-01', '1900-01-01'))");
        q->bind(1, QString::fromLatin1(registration));
        q->run();
    }
    for (const char* registration : {"AAA", "BBB"})
        for (int i = 0; i < readings; ++i) {
            // Several readings a day for long logs, so that they end today.
            const qint64 back = qint64(readings - 1 - i) * 3650 / std::max(readings, 3650);
            SqliteQuery q = db.query("INSERT INTO Mileage VALUES (?, ?, ?, 45, 1.52)");
            q->bind(1, QString::fromLatin1(registration));
            q->bind(2, today.addDays(-back).toString(Qt::ISODate));
            q->bind(3, 1000.0 + i * 7);
            q->run();
        }
    transaction.commit();
}

struct ShownWindow
{
    explicit ShownWindow(int readings) : env(false)
    {
        VehicleLog::Create(env.storePath());
        seed(env.storePath(), readings, env.clock.today());
        env.state->OpenStore(env.storePath());
        env.state->SplashMilliseconds = 0;
        window = std::make_unique<frmMain>(*env.state);
        window->Form_Load();
        window->show();
        QApplication::processEvents();
        list = window->findChild<QComboBox*>(QStringLiteral("cmbVehicleReg"));
    }
    ~ShownWindow()
    {
        window->close();
        window.reset();
    }
    TestPlatform env;
    std::unique_ptr<frmMain> window;
    QComboBox* list = nullptr;
};

void BM_ShowVehicleDetails(benchmark::State& state)
{
    ShownWindow shown(int(state.range(0)));
    int pick = 0;
    for (auto _ : state) {
        // A different vehicle each time, as when the user picks one in the list.
        pick = 1 - pick;
        shown.list->setCurrentIndex(pick);
        shown.window->ShowVehicleDetails();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ShowVehicleDetails)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The yardstick for showing a vehicle: the same readings read through the bare C interface and
// drawn as the same number of line segments with a bare QPainter on an image of the window's size.
void BM_BareReadAndDraw(benchmark::State& state)
{
    ShownWindow shown(int(state.range(0)));
    const QByteArray path = shown.env.storePath().toUtf8();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db,
                       R"(SELECT "Date", "Current Mileage", "Amount", "Price Per" FROM "Mileage"
                          WHERE "Registration" = ? ORDER BY "Date", "Current Mileage", rowid)",
                       -1, &select, nullptr);
    QImage image(shown.window->size(), QImage::Format_ARGB32_Premultiplied);
    int pick = 0;
    for (auto _ : state) {
        pick = 1 - pick;
        sqlite3_bind_text(select, 1, pick ? "BBB" : "AAA", 3, SQLITE_STATIC);
        QVector<QPointF> points;
        while (sqlite3_step(select) == SQLITE_ROW) {
            const auto* date = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
            const QDate day = QDate::fromString(QLatin1String(date, 10), Qt::ISODate);
            points.append(QPointF(double(day.toJulianDay() % 3650) / 5.0,
                                  sqlite3_column_double(select, 1) / 1000.0));
        }
        sqlite3_reset(select);
        image.fill(Qt::white);
        QPainter painter(&image);
        for (qsizetype i = 1; i < points.size(); ++i)
            painter.drawLine(points[i - 1], points[i]);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BareReadAndDraw)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_PeakMemoryWith100000Readings(benchmark::State& state)
{
    ShownWindow shown(100000);
    for (auto _ : state)
        shown.window->ShowVehicleDetails();
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_PeakMemoryWith100000Readings)->Iterations(3)->Unit(benchmark::kMillisecond);

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
