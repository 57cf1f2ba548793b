// Start-up to the main window on a store of 100 vehicles with 1,000 readings each, against a
// bare Qt program that opens one empty window, both started as processes in the same run.
#include "SqliteDatabase.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir* programFolder = nullptr;

void seed(const QString& path)
{
    VehicleLog::Create(path);
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadWrite, 1000);
    SqliteTransaction transaction(db);
    const QDate today = QDate::currentDate();
    for (int v = 0; v < 100; ++v) {
        const QString registration = QStringLiteral("REG%1").arg(v, 3, 10, QLatin1Char('0'));
        {
            SqliteQuery vehicle = db.query(R"(INSERT INTO "Vehicle Details" VALUES (?, 'Ford',
                'Focus', 'Diesel', 1.8, '2001-04-01', '1900-01-01'))");
            vehicle->bind(1, registration);
            vehicle->run();
        }
        for (int i = 0; i < 1000; ++i) {
            SqliteQuery reading = db.query("INSERT INTO Mileage VALUES (?, ?, ?, 45, 1.52)");
            reading->bind(1, registration);
            reading->bind(2, today.addDays(i - 999).toString(Qt::ISODate));
            reading->bind(3, 1000.0 + 37 * i);
            reading->run();
        }
    }
    transaction.commit();
}

void run(benchmark::State& state, const QString& program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"),
               programFolder->filePath(QStringLiteral("config")));
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, {});
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            state.SkipWithError("the program did not start and leave cleanly");
    }
}

void BM_StartKelmotToMainWindow(benchmark::State& state)
{
    run(state, programFolder->filePath(QStringLiteral("startup_probe")));
}
BENCHMARK(BM_StartKelmotToMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_StartBareQtWindow(benchmark::State& state)
{
    run(state, programFolder->filePath(QStringLiteral("bare_window")));
}
BENCHMARK(BM_StartBareQtWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    programFolder = &folder;
    // The probe finds its store beside itself, as the program does.
    const QString here = QCoreApplication::applicationDirPath();
    for (const char* name : {"startup_probe", "bare_window"})
        QFile::copy(QDir(here).filePath(QLatin1String(name)), folder.filePath(QLatin1String(name)));
    seed(folder.filePath(QStringLiteral("Mileage.mdb")));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
