#include "SqliteDatabase.h"
#include "Startup.h"
#include "StoreLock.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "frmMain.h"

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void distanceUnit_data();
    void distanceUnit();
    void realSettingsOfAnotherTypeGiveMile();
    void missingStoreShowsItsCodeAndWhatIsWrong();
    void foreignStoreShowsItsCodeAndIsLeftAlone_data();
    void foreignStoreShowsItsCodeAndIsLeftAlone();
    void storeWithVehicleShowsTheMainWindow();
    void newerStoreIsExplainedAndLeftAlone();
    void storeLockedByAnotherKelmotIsExplained();
};

void TestStartup::distanceUnit_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("unit");
    QTest::newRow("nothing stored") << QVariant() << "Mile";
    QTest::newRow("Kilometre read whole") << QVariant(QStringLiteral("Kilometre")) << "Kilometre";
    QTest::newRow("Mile") << QVariant(QStringLiteral("Mile")) << "Mile";
    QTest::newRow("number-typed value") << QVariant(42) << "Mile";
    QTest::newRow("another word is used as it is")
        << QVariant(QStringLiteral("League")) << "League";
}

void TestStartup::distanceUnit()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, unit);
    FakeSettings settings;
    if (stored.isValid())
        settings.values[QString::fromLatin1(DistanceMeasurementKey)] = stored;
    QCOMPARE(ReadDistanceUnit(settings), unit);
}

void TestStartup::realSettingsOfAnotherTypeGiveMile()
{
    // Test mode keeps QSettings inside a test folder, away from the user's own settings.
    QtSettingsStore store;
    {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
                      QStringLiteral("Kelmot"));
        raw.setValue(QString::fromLatin1(DistanceMeasurementKey), QPoint(1, 2));
        raw.sync();
    }
    QCOMPARE(ReadDistanceUnit(store), QStringLiteral("Mile"));
    QVERIFY(store.openForWriting());
    QVERIFY(
        store.setString(QString::fromLatin1(DistanceMeasurementKey), QStringLiteral("Kilometre")));
    QCOMPARE(ReadDistanceUnit(store), QStringLiteral("Kilometre"));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
              QStringLiteral("Kelmot"))
        .clear();
}

void TestStartup::missingStoreShowsItsCodeAndWhatIsWrong()
{
    TestPlatform env(false);
    const StartupResult result = Main(*env.state);
    QVERIFY(!result.window);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].text, QStringLiteral("14\nThere is no vehicle log at %1.")
                                             .arg(QDir::toNativeSeparators(env.storePath())));
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QCOMPARE(env.messages.shown[0].icon, Messages::Icon::None);
    QVERIFY(!QFile::exists(env.storePath()));
}

void TestStartup::foreignStoreShowsItsCodeAndIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("words"); // the second line of the box
    QTest::newRow("garbage") << QByteArray("garbage, not a store\n").repeated(100)
                             << "The vehicle log file is damaged or is not a vehicle log.";
    QTest::newRow("empty file") << QByteArray() << "%1 does not hold a vehicle log.";
    // A real SQLite database, but another program's: none of the vehicle log's tables.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.db"));
    SqliteDatabase(path, SqliteDatabase::Mode::Create, 0)
        .execute("CREATE TABLE Recipes (Name TEXT)");
    QFile other(path);
    other.open(QIODevice::ReadOnly);
    QTest::newRow("tables missing") << other.readAll() << "%1 does not hold a vehicle log.";
}

void TestStartup::foreignStoreShowsItsCodeAndIsLeftAlone()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, words);
    TestPlatform env(false);
    {
        QFile f(env.storePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const StartupResult result = Main(*env.state);
    QVERIFY(!result.window);
    QCOMPARE(env.messages.shown.size(), 1);
    // The code, what is wrong, and which file, each named once.
    const QString file = QDir::toNativeSeparators(env.storePath());
    const QStringList lines = env.messages.shown[0].text.split(u'\n');
    bool numeric = false;
    QVERIFY(lines[0].toInt(&numeric) > 0);
    QVERIFY(numeric);
    const QStringList said =
        words.contains(u'%') ? QStringList{words.arg(file)} : QStringList{words, "File: " + file};
    QCOMPARE(lines.mid(1), said);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QFile f(env.storePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

void TestStartup::storeWithVehicleShowsTheMainWindow()
{
    TestPlatform env(true);
    VehicleRow v;
    v.Registration = QStringLiteral("AB12 CDE");
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    env.state->VehicleDetailsTable->AppendVehicle(
        v, MileageRow{v.Registration, AtMidnight(env.clock.today()), 100, 0, 0});
    env.state->CloseStore();
    env.settings.values[QString::fromLatin1(DistanceMeasurementKey)] = QStringLiteral("Kilometre");
    env.state->SplashMilliseconds = 0;

    const StartupResult result = Main(*env.state);
    QVERIFY(result.window);
    QVERIFY(result.window->isVisible());
    QCOMPARE(result.window->windowTitle(), QStringLiteral("Kelmot"));
    QCOMPARE(env.state->DistanceUnit, QStringLiteral("Kilometre"));
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(env.state->StoreOpen());
    // While it runs, the store's lock is Kelmot's: a restore elsewhere cannot take it.
    QVERIFY(env.state->StoreLockFile && env.state->StoreLockFile->holdsStore(env.storePath()));
    QVERIFY(!StoreLock(env.storePath()).tryAcquire(0));
    result.window->close();
    QVERIFY(!env.state->StoreOpen());
}

void TestStartup::newerStoreIsExplainedAndLeftAlone()
{
    TestPlatform env(false);
    VehicleLog::Create(env.storePath());
    SqliteDatabase(env.storePath(), SqliteDatabase::Mode::ReadWrite, 0)
        .execute("PRAGMA user_version = 99");
    QFile f(env.storePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const StartupResult result = Main(*env.state);
    QVERIFY(!result.window);
    QCOMPARE(result.failureCode, StoreError::TooNew);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY2(env.messages.shown[0].text.startsWith(
                 QLatin1String("3422\nThis vehicle log was written by a newer version of Kelmot")),
             qPrintable(env.messages.shown[0].text));
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestStartup::storeLockedByAnotherKelmotIsExplained()
{
    TestPlatform env(true);
    env.state->CloseStore();
    env.state->SplashMilliseconds = 0;
    env.state->StoreLockWaitMilliseconds = 0;
    StoreLock other(env.storePath());
    QVERIFY(other.tryAcquire(0));
    const StartupResult result = Main(*env.state);
    QVERIFY(!result.window);
    QCOMPARE(result.failureCode, StoreError::Busy);
    QVERIFY(!env.state->StoreOpen());
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY2(env.messages.shown[0].text.contains(QLatin1String("already open in another Kelmot")),
             qPrintable(env.messages.shown[0].text));
    QVERIFY(!env.state->StoreLockFile);
    QVERIFY(other.isHeld());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
