#include "SqliteDatabase.h"
#include "TestEnvironment.h"
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

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
