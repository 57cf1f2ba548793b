#include "SqliteDatabase.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

QString appender()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kelmot_appender");
}

// Every number the child printed: each is an append that had returned.
QList<int> acknowledged(QProcess& child)
{
    QList<int> done;
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines)
        if (!line.trimmed().isEmpty())
            done << line.trimmed().toInt();
    return done;
}

QString integrityCheck(const QString& path)
{
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadOnly, 1000);
    SqliteQuery q = db.query("PRAGMA integrity_check");
    return q->step() ? q->text(0) : QString();
}

} // namespace

class TestDurability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void killedWritersLoseNothingThatReturned();
    void twoProcessesShareOneStore();
    void backupWhileAnotherProcessAppends();
    void restoreKilledAtRandomKeepsEverySafetyCopy();
    void backupKilledAtRandomLeavesNoStrays();
    void safetyCopiesSurviveTheReportedSequences_data();
    void safetyCopiesSurviveTheReportedSequences();
    void appendsDuringRestoresAreKeptOrRefused();
};

void TestDurability::killedWritersLoseNothingThatReturned()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mileage.mdb"));
    VehicleLog::Create(path);
    QRandomGenerator random(20261209); // fixed seed: a failure can be replayed
    QList<QList<int>> returned;

    for (int round = 0; round < 50; ++round) {
        QProcess child;
        child.start(appender(), {path, QStringLiteral("K%1").arg(round), QStringLiteral("100000")});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        const int target = random.bounded(1, 25);
        QByteArray seen;
        while (seen.count('\n') < target && child.state() == QProcess::Running) {
            if (child.waitForReadyRead(30000))
                seen = child.peek(child.bytesAvailable());
            else
                break;
        }
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        returned << acknowledged(child);
        QVERIFY(returned.last().size() >= target);
    }

    QCOMPARE(integrityCheck(path), QStringLiteral("ok"));
    auto log = VehicleLog::Open(path);
    for (int round = 0; round < returned.size(); ++round) {
        const QString registration = QStringLiteral("K%1").arg(round);
        const auto readings = log->MileageChronological(registration);
        for (int i : returned[round]) {
            if (i % 5 == 0) {
                const QString vehicle = registration + QStringLiteral("-V%1").arg(i);
                QVERIFY2(log->FindVehicle(vehicle), qPrintable(vehicle));
            } else {
                const bool present =
                    std::any_of(readings.begin(), readings.end(),
                                [i](const MileageRow& r) { return r.CurrentMileage == i; });
                QVERIFY2(present,
                         qPrintable(QStringLiteral("%1 reading %2").arg(registration).arg(i)));
            }
        }
    }
    // No vehicle without its first reading.
    for (const QString& registration : log->ListRegistrations())
        QVERIFY2(!log->MileageChronological(registration).isEmpty(), qPrintable(registration));
}

void TestDurability::twoProcessesShareOneStore()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mileage.mdb"));
    VehicleLog::Create(path);
    QProcess first, second;
    first.start(appender(), {path, QStringLiteral("FIRST"), QStringLiteral("500")});
    second.start(appender(), {path, QStringLiteral("SECOND"), QStringLiteral("500")});
    QVERIFY(first.waitForFinished(120000));
    QVERIFY(second.waitForFinished(120000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(acknowledged(first).size(), 500);
    QCOMPARE(acknowledged(second).size(), 500);

    auto log = VehicleLog::Open(path);
    for (const QString& who : {QStringLiteral("FIRST"), QStringLiteral("SECOND")}) {
        // 400 plain readings, plus 100 vehicles with one first reading each.
        QCOMPARE(log->MileageChronological(who).size(), 400);
        int vehicles = 0;
        for (const QString& registration : log->ListRegistrations())
            if (registration.startsWith(who + QStringLiteral("-V"))) {
                ++vehicles;
                QCOMPARE(log->MileageChronological(registration).size(), 1);
            }
        QCOMPARE(vehicles, 100);
    }
    QCOMPARE(integrityCheck(path), QStringLiteral("ok"));
}

void TestDurability::backupWhileAnotherProcessAppends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mileage.mdb"));
    const QString copy = dir.filePath(QStringLiteral("Backup.mdb"));
    VehicleLog::Create(path);
    QProcess child;
    child.start(appender(), {path, QStringLiteral("LIVE"), QStringLiteral("100000")});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    QByteArray seen;
    while (seen.count('\n') < 40 && child.state() == QProcess::Running) {
        QVERIFY(child.waitForReadyRead(30000));
        seen = child.peek(child.bytesAvailable());
    }
    // Every append acknowledged by now was committed before the backup began.
    const QList<int> before = acknowledged(child);
    auto log = VehicleLog::Open(path);
    log->BackupTo(copy);
    const bool stillWriting = child.state() == QProcess::Running;
    child.kill();
    QVERIFY(child.waitForFinished(30000));
    QVERIFY2(stillWriting, "the child stopped before the backup was taken");

    QCOMPARE(integrityCheck(copy), QStringLiteral("ok"));
    auto backup = VehicleLog::Open(copy);
    const auto readings = backup->MileageChronological(QStringLiteral("LIVE"));
    for (int i : before) {
        if (i % 5 == 0) {
            QVERIFY2(backup->FindVehicle(QStringLiteral("LIVE-V%1").arg(i)),
                     qPrintable(QString::number(i)));
        } else {
            const bool present =
                std::any_of(readings.begin(), readings.end(),
                            [i](const MileageRow& r) { return r.CurrentMileage == i; });
            QVERIFY2(present, qPrintable(QStringLiteral("reading %1").arg(i)));
        }
    }
    QVERIFY(backup->Check().isEmpty());
}

namespace {

QString copier()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kelmot_copier");
}

// A store of one vehicle with `count` readings, each paid 40.
void makeLog(const QString& path, const QString& registration, int count)
{
    VehicleLog::Create(path);
    LogBatch batch;
    VehicleRow vehicle;
    vehicle.Registration = registration;
    vehicle.RegistrationDate = NoDate();
    vehicle.PurchaseDate = NoDate();
    batch.vehicles << vehicle;
    const QDateTime first = AtMidnight(QDate(2001, 1, 1));
    for (int i = 0; i < count; ++i)
        batch.mileage << MileageRow{registration, first.addDays(i / 4), double(i), 40, 1.5};
    VehicleLog::Open(path)->AppendBatch(batch);
}

// What `kelmot-data check` says of the file, after SQLite's own integrity check. Opened as
// check opens it, which rolls back a write a kill left half done.
QStringList problems(const QString& path)
{
    auto log = VehicleLog::OpenReadOnly(path);
    const QString integrity = integrityCheck(path);
    if (integrity != QLatin1String("ok"))
        return {QStringLiteral("integrity: ") + integrity};
    return log->Check();
}

// Temporaries, journals and locks: none may outlive the run after an interrupted one.
QStringList strays(const QString& folder)
{
    return QDir(folder).entryList(
        {QStringLiteral("*.kelmot-temp*"), QStringLiteral("*-journal"), QStringLiteral("*.lock")},
        QDir::Files | QDir::Hidden);
}

// Lets the child run for a random while, then kills it as a power cut or kill -9 would.
void killAtRandom(QProcess& child, QRandomGenerator& random)
{
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    // Waiting on a child that never ends on its own: a random moment of its work.
    QVERIFY(!child.waitForFinished(random.bounded(30, 500)));
    child.kill(); // SIGKILL on Unix, TerminateProcess on Windows
    QVERIFY(child.waitForFinished(30000));
}

} // namespace

void TestDurability::restoreKilledAtRandomKeepsEverySafetyCopy()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mileage.mdb"));
    const QString a = dir.filePath(QStringLiteral("a.mdb"));
    const QString b = dir.filePath(QStringLiteral("b.mdb"));
    makeLog(store, QStringLiteral("ORIGINAL"), 20000);
    makeLog(a, QStringLiteral("A"), 20000);
    makeLog(b, QStringLiteral("B"), 20000);
    QRandomGenerator random(20261210);
    QSet<QString> checked;
    int interrupted = 0;
    for (int round = 0; round < 20; ++round) {
        QProcess child;
        child.start(copier(), {QStringLiteral("restore"), a, b, store});
        killAtRandom(child, random);
        QCOMPARE(problems(store), QStringList());
        if (!strays(dir.path()).isEmpty())
            ++interrupted;

        try {
            VehicleLog::Restore(
                round % 2 ? a : b, store,
                {QDateTime(QDate(2030, 1, 1), QTime(0, 0, round), Qt::UTC), nullptr, {}});
        } catch (const StoreError& e) {
            QFAIL(qPrintable(e.text())); // the run after a kill must succeed
        }
        QCOMPARE(strays(dir.path()), QStringList());
        const QStringList kept =
            QDir(dir.path()).entryList({QStringLiteral("Mileage.mdb.before-restore-*")});
        for (const QString& name : kept) {
            if (checked.contains(name))
                continue;
            const QString path = dir.filePath(name);
            QVERIFY2(problems(path).isEmpty(), qPrintable(name));
            const QStringList held = VehicleLog::OpenReadOnly(path)->ListRegistrations();
            QVERIFY2(held == QStringList{"ORIGINAL"} || held == QStringList{"A"} ||
                         held == QStringList{"B"},
                     qPrintable(name));
            checked.insert(name);
        }
    }
    QVERIFY(checked.contains(QStringLiteral("Mileage.mdb.before-restore-20300101-000000")));
    QVERIFY2(interrupted > 0, "no kill landed in the middle of a restore");
}

void TestDurability::backupKilledAtRandomLeavesNoStrays()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mileage.mdb"));
    const QString folder = dir.filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkdir(folder));
    makeLog(store, QStringLiteral("ORIGINAL"), 10000);
    QRandomGenerator random(20261211);
    QSet<QString> checked;
    int interrupted = 0;
    for (int round = 0; round < 20; ++round) {
        QProcess child;
        child.start(copier(), {QStringLiteral("backup"), store, folder});
        killAtRandom(child, random);
        if (!strays(folder).isEmpty())
            ++interrupted;

        try {
            VehicleLog::OpenReadOnly(store)->BackupTo(
                QDir(folder).filePath(QStringLiteral("next-%1.mdb").arg(round)));
        } catch (const StoreError& e) {
            QFAIL(qPrintable(e.text())); // the run after a kill must succeed
        }
        QCOMPARE(strays(folder), QStringList());
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            if (checked.contains(name))
                continue;
            const QString path = QDir(folder).filePath(name);
            QVERIFY2(problems(path).isEmpty(), qPrintable(name));
            QCOMPARE(VehicleLog::OpenReadOnly(path)->MileageChronological("ORIGINAL").size(),
                     10000);
            checked.insert(name);
            QFile::remove(path); // checked: room for the next rounds
        }
    }
    QCOMPARE(problems(store), QStringList());
    QVERIFY2(interrupted > 0, "no kill landed in the middle of a backup");
}

void TestDurability::safetyCopiesSurviveTheReportedSequences_data()
{
    QTest::addColumn<bool>("crashFirst");
    QTest::newRow("stale journal, then two restores") << true;
    QTest::newRow("two restores in one second") << false;
}

void TestDurability::safetyCopiesSurviveTheReportedSequences()
{
    QFETCH(bool, crashFirst);
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mileage.mdb"));
    const QString a = dir.filePath(QStringLiteral("a.mdb"));
    const QString b = dir.filePath(QStringLiteral("b.mdb"));
    makeLog(store, QStringLiteral("ORIGINAL"), 20000);
    makeLog(a, QStringLiteral("A"), 10);
    makeLog(b, QStringLiteral("B"), 10);
    if (crashFirst) {
        // A write killed half done: its journal is left beside the store, hot.
        QProcess child;
        child.start(copier(), {QStringLiteral("hold"), store});
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine(), QByteArray("held\n"));
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(QFileInfo(store + QStringLiteral("-journal")).size() > 0);
    }
    const QDateTime now(QDate(2030, 1, 1), QTime(9, 0), Qt::UTC);
    const QString first = VehicleLog::Restore(a, store, {now, nullptr, {}});
    const QString second = VehicleLog::Restore(b, store, {now, nullptr, {}});
    QCOMPARE(first, store + QStringLiteral(".before-restore-20300101-090000"));
    QCOMPARE(second, first + QStringLiteral("-2"));

    for (const QString& path : {store, first, second})
        QVERIFY2(problems(path).isEmpty(), qPrintable(path));
    // The first safety copy is the store as last committed: the half-done write rolled back.
    const auto original = VehicleLog::OpenReadOnly(first)->MileageChronological("ORIGINAL");
    QCOMPARE(original.size(), 20000);
    QVERIFY(std::all_of(original.begin(), original.end(),
                        [](const MileageRow& r) { return r.Amount == 40; }));
    QCOMPARE(VehicleLog::OpenReadOnly(second)->ListRegistrations(), QStringList{"A"});
    QCOMPARE(VehicleLog::OpenReadOnly(store)->ListRegistrations(), QStringList{"B"});
    QCOMPARE(strays(dir.path()), QStringList());
}

void TestDurability::appendsDuringRestoresAreKeptOrRefused()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Mileage.mdb"));
    const QString a = dir.filePath(QStringLiteral("a.mdb"));
    const QString b = dir.filePath(QStringLiteral("b.mdb"));
    makeLog(store, QStringLiteral("ORIGINAL"), 10);
    makeLog(a, QStringLiteral("A"), 10);
    makeLog(b, QStringLiteral("B"), 10);
    QProcess writer, restorer;
    restorer.start(copier(), {QStringLiteral("restore"), a, b, store});
    QVERIFY(restorer.waitForReadyRead(30000));
    restorer.readAllStandardOutput();
    writer.start(appender(), {store, QStringLiteral("LIVE"), QStringLiteral("1000000")});
    // The appends go on until ten restores have run beside them, however fast the disk is.
    int restores = 0;
    while (restores < 10 && writer.state() != QProcess::NotRunning &&
           restorer.state() == QProcess::Running)
        if (restorer.waitForReadyRead(30000))
            restores += int(restorer.readAllStandardOutput().count('\n'));
    const bool writing = writer.state() != QProcess::NotRunning;
    writer.kill();
    QVERIFY(writer.waitForFinished(30000));
    const bool restoring = restorer.state() == QProcess::Running;
    restorer.kill();
    restorer.waitForFinished(30000);
    QVERIFY2(restoring, restorer.readAllStandardError().constData());
    QVERIFY2(writing, writer.readAllStandardError().constData());

    // Each append that returned is in the store, or in the safety copy of the restore that
    // replaced the store it went into: none went into a store no longer there.
    QSet<QString> kept;
    QStringList files{store};
    for (const QString& name :
         QDir(dir.path()).entryList({QStringLiteral("Mileage.mdb.before-restore-*")}))
        files << dir.filePath(name);
    QVERIFY2(files.size() > 10, "too few restores ran during the appends");
    for (const QString& path : files) {
        auto log = VehicleLog::OpenReadOnly(path);
        for (const QString& registration : log->ListRegistrations())
            kept.insert(registration);
        for (const MileageRow& row : log->MileageChronological(QStringLiteral("LIVE")))
            kept.insert(QString::number(row.CurrentMileage));
    }
    for (int i : acknowledged(writer)) {
        const QString what = i % 5 ? QString::number(i) : QStringLiteral("LIVE-V%1").arg(i);
        QVERIFY2(kept.contains(what), qPrintable(what));
    }
    QCOMPARE(problems(store), QStringList());
}

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
