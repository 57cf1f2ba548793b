#include "MaintenanceReport.h"
#include "TestEnvironment.h"
#include "TextConversions.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString Reg = QStringLiteral("AB12 CDE");

// The three heading lines as the file holds them.
const QByteArray Heading = "\"           Date           Cost        Description\"\r\n"
                           "\"=================================================================="
                           "================\"\r\n"
                           "\"\"\r\n";

QDateTime Day(int year, int month, int day)
{
    return AtMidnight(QDate(year, month, day));
}

MaintenanceRow Row(const QDateTime& date, double cost, const QString& description)
{
    return MaintenanceRow{Reg, date, cost, description};
}

} // namespace

class TestMaintenanceReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void headingHasTheDocumentedColumns();
    void exampleByteForByte();
    void costColumnKeepsItsPlaceWithExactCosts();
    void costShownExactly_data();
    void costShownExactly();
    void costWiderThanTheColumnLeavesNoSpaces();
    void dateWithTimeOfDayShowsTheTime();
    void vehicleWithoutMaintenanceGivesThreeLines();
    void rowsComeOldestFirstWhateverTheirEntryOrder();
    void multiLineDescriptionStaysInsideOnePairOfQuotes();
    void longDescriptionAndQuotesWrittenUnchanged();
    void secondRunOverwritesTheFirst();
    void oddTextRoundTripsThroughStoreAndFile_data();
    void oddTextRoundTripsThroughStoreAndFile();
    void unwritableReportShowsAMessageAndLeavesTheProgramRunning();
    void viewerThatCannotStartShowsAMessage();
    void viewerThatFailsLaterShowsAMessage();
    void missingTemporaryFolderIsReportedNotReplaced_data();
    void missingTemporaryFolderIsReportedNotReplaced();
    void missingTmpdirFallsBackToTheSystemFolder();
    void somethingInTheWayIsLeftAlone_data();
    void somethingInTheWayIsLeftAlone();
    void ownFileIsEmptiedAndRewritten();

private:
    static QString ReportPath(TestPlatform& env)
    {
        return QDir(env.temp.path()).filePath(QStringLiteral("Maint_Rep.txt"));
    }
    static QByteArray ReadReport(TestPlatform& env)
    {
        QFile file(ReportPath(env));
        if (!file.open(QIODevice::ReadOnly))
            return "<no file>";
        return file.readAll();
    }
    static void AddVehicle(TestPlatform& env, const QString& registration)
    {
        VehicleRow v;
        v.Registration = registration;
        v.RegistrationDate = NoDate();
        v.PurchaseDate = NoDate();
        env.state->VehicleDetailsTable->AppendVehicle(
            v, MileageRow{registration, Day(2001, 1, 1), 100, 0, 0});
    }
};

void TestMaintenanceReport::headingHasTheDocumentedColumns()
{
    const QString text = MaintenanceReportText({});
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4); // three lines and the empty rest after the last CR LF
    QCOMPARE(lines[3], QString());
    const QString heading = lines[0].mid(1, lines[0].size() - 2);
    QCOMPARE(heading.size(), 49);
    // Columns count from 1, the first character after the opening quote.
    QCOMPARE(heading.indexOf(QStringLiteral("Date")) + 1, 12);
    QCOMPARE(heading.indexOf(QStringLiteral("Cost")) + 1, 27);
    QCOMPARE(heading.indexOf(QStringLiteral("Description")) + 1, 39);
    QCOMPARE(lines[1], u'"' + QString(82, u'=') + u'"');
    QCOMPARE(lines[2], QStringLiteral("\"\""));
}

void TestMaintenanceReport::exampleByteForByte()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2002, 3, 5), 120.00, "Service"));

    MaintenanceReport(*env.state, Reg);

    const QByteArray expected = Heading + "\"       05/03/2002        \xC2\xA3"
                                          "120.00     Service\"\r\n";
    QCOMPARE(ReadReport(env), expected);
    QCOMPARE(env.launcher.opened, QStringList{ReportPath(env)});
    QVERIFY(env.messages.shown.isEmpty());
    QCOMPARE(env.state->LastCallResult, 1);
}

void TestMaintenanceReport::costColumnKeepsItsPlaceWithExactCosts()
{
    const QString text = MaintenanceReportText(
        {Row(Day(2002, 3, 5), 119.75, "Service"), Row(Day(2002, 4, 6), 7.5, "Bulb")});
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int i : {3, 4}) {
        const QString line = lines[i].mid(1, lines[i].size() - 2);
        const qsizetype pound = line.indexOf(u'£');
        const qsizetype costEnd = line.indexOf(QStringLiteral("     "), pound);
        QCOMPARE(costEnd, 32); // cost ends in column 32
        QCOMPARE(line.indexOf(i == 3 ? QStringLiteral("Service") : QStringLiteral("Bulb")) + 1, 38);
        QCOMPARE(line.left(7), QString(7, u' '));
        QCOMPARE(line.mid(17, 15).trimmed(),
                 i == 3 ? QStringLiteral("£119.75") : QStringLiteral("£7.50"));
    }
    QCOMPARE(lines[3], QStringLiteral("\"       05/03/2002        £119.75     Service\""));
}

void TestMaintenanceReport::costShownExactly_data()
{
    QTest::addColumn<double>("cost");
    QTest::addColumn<QString>("shown");
    QTest::newRow("119.75") << 119.75 << "£119.75";
    QTest::newRow("99.99 is not rounded up") << 99.99 << "£99.99";
    QTest::newRow("0.40 is not rounded down") << 0.40 << "£0.40";
    QTest::newRow("12.50 keeps its half") << 12.50 << "£12.50";
    QTest::newRow("13.5") << 13.5 << "£13.50";
    QTest::newRow("nothing") << 0.0 << "£0.00";
    QTest::newRow("thousands grouped") << 1234.56 << "£1,234.56";
}

void TestMaintenanceReport::costShownExactly()
{
    QFETCH(double, cost);
    QFETCH(QString, shown);
    const QString text = MaintenanceReportText({Row(Day(2002, 3, 5), cost, "x")});
    const QString expected = QStringLiteral("       05/03/2002") +
                             QString(15 - shown.size(), u' ') + shown + QStringLiteral("     x");
    QCOMPARE(text.split(QStringLiteral("\r\n"))[3], u'"' + expected + u'"');
}

void TestMaintenanceReport::costWiderThanTheColumnLeavesNoSpaces()
{
    const QString text = MaintenanceReportText({Row(Day(2002, 3, 5), 1234567890123.5, "x")});
    QCOMPARE(text.split(QStringLiteral("\r\n"))[3],
             QStringLiteral("\"       05/03/2002£1,234,567,890,123.50     x\""));
}

void TestMaintenanceReport::dateWithTimeOfDayShowsTheTime()
{
    const QDateTime at(QDate(2002, 3, 5), QTime(14, 30), Qt::UTC);
    const QString text = MaintenanceReportText({Row(at, 10, "Wash")});
    QCOMPARE(text.split(QStringLiteral("\r\n"))[3],
             QStringLiteral("\"       05/03/2002 14:30:00         £10.00     Wash\""));
}

void TestMaintenanceReport::vehicleWithoutMaintenanceGivesThreeLines()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    AddVehicle(env, QStringLiteral("ZZ99 ZZZ"));
    env.state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{QStringLiteral("ZZ99 ZZZ"), Day(2002, 3, 5), 50, "Other vehicle"});

    MaintenanceReport(*env.state, Reg);

    QCOMPARE(ReadReport(env), Heading);
    QCOMPARE(env.launcher.opened.size(), 1);
    QVERIFY(env.messages.shown.isEmpty());
}

void TestMaintenanceReport::rowsComeOldestFirstWhateverTheirEntryOrder()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2003, 1, 2), 30, "Third"));
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2001, 7, 8), 10, "First"));
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2002, 12, 31), 20.25, "Second"));

    MaintenanceReport(*env.state, QStringLiteral("ab12 cde")); // registrations ignore case

    const QByteArray expected = Heading + "\"       08/07/2001         \xC2\xA3"
                                          "10.00     First\"\r\n"
                                          "\"       31/12/2002         \xC2\xA3"
                                          "20.25     Second\"\r\n"
                                          "\"       02/01/2003         \xC2\xA3"
                                          "30.00     Third\"\r\n";
    QCOMPARE(ReadReport(env), expected);
}

void TestMaintenanceReport::multiLineDescriptionStaysInsideOnePairOfQuotes()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    env.state->MaintenanceTable->AppendMaintenance(
        Row(Day(2002, 3, 5), 120, QStringLiteral("Full service\nNew tyres\r\nWipers")));
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2002, 3, 6), 5, "Wash"));

    MaintenanceReport(*env.state, Reg);

    // The description's own line breaks are written as the file's, CR LF, however stored.
    const QByteArray expected = Heading + "\"       05/03/2002        \xC2\xA3"
                                          "120.00     Full service\r\n"
                                          "New tyres\r\n"
                                          "Wipers\"\r\n"
                                          "\"       06/03/2002          \xC2\xA3"
                                          "5.00     Wash\"\r\n";
    QCOMPARE(ReadReport(env), expected);
}

void TestMaintenanceReport::longDescriptionAndQuotesWrittenUnchanged()
{
    const QString description = QStringLiteral("Replaced the \"big\" end, ") + QString(300, u'x');
    const QString text = MaintenanceReportText({Row(Day(2002, 3, 5), 1, description)});
    QCOMPARE(text.split(QStringLiteral("\r\n"))[3],
             QStringLiteral("\"       05/03/2002          £1.00     ") + description + u'"');
}

void TestMaintenanceReport::oddTextRoundTripsThroughStoreAndFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes and SQL") << QStringLiteral("AB\"1'; DROP TABLE Maintenance;--");
    QTest::newRow("line breaks") << QStringLiteral("Front pads\nand discs\r\nreplaced");
    QTest::newRow("non-Latin letters") << QStringLiteral("Замена масла ΩΨ 油");
    QTest::newRow("ten thousand characters") << QString(10000, QLatin1Char('x'));
}

// The same odd text as registration and description: stored, read back by registration, and
// written whole into the report file.
void TestMaintenanceReport::oddTextRoundTripsThroughStoreAndFile()
{
    QFETCH(QString, text);
    TestPlatform env;
    AddVehicle(env, text);
    MaintenanceRow row = Row(Day(2002, 3, 5), 120, text);
    row.Registration = text;
    env.state->MaintenanceTable->AppendMaintenance(row);

    MaintenanceReport(*env.state, text);
    const QString written = QString::fromUtf8(ReadReport(env));
    QString inFile = text;
    inFile.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    inFile.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QVERIFY(written.contains(QStringLiteral("     ") + inFile + QStringLiteral("\"\r\n")));
    QCOMPARE(env.state->LogDatabase->MaintenanceByDate(text).at(0).Description, text);
}

void TestMaintenanceReport::secondRunOverwritesTheFirst()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    AddVehicle(env, QStringLiteral("CD34 EFG"));
    env.state->MaintenanceTable->AppendMaintenance(
        Row(Day(2002, 3, 5), 120, "A long first report line"));
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2002, 3, 6), 120, "Another"));

    MaintenanceReport(*env.state, Reg);
    QVERIFY(ReadReport(env).size() > Heading.size());
    MaintenanceReport(*env.state, QStringLiteral("CD34 EFG"));

    QCOMPARE(ReadReport(env), Heading);
    QCOMPARE(env.launcher.opened, QStringList({ReportPath(env), ReportPath(env)}));
}

void TestMaintenanceReport::unwritableReportShowsAMessageAndLeavesTheProgramRunning()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    env.state->MaintenanceTable->AppendMaintenance(Row(Day(2002, 3, 5), 120, "Service"));
    // A folder in the report's place cannot be opened as a file, not even by root, and a file
    // where the private folder should be leaves nowhere else to write.
    QVERIFY(QDir(env.temp.path()).mkdir(QStringLiteral("Maint_Rep.txt")));
    QFile blocker(env.files.privateFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    MaintenanceReport(*env.state, Reg);

    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY2(env.messages.lastText().startsWith(
                 QStringLiteral("The maintenance report could not be written to ") +
                 QDir::toNativeSeparators(ReportPath(env))),
             qPrintable(env.messages.lastText()));
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(env.launcher.opened.isEmpty());

    // The program goes on: once the place is free, the next run writes the report.
    QVERIFY(QDir(env.temp.path()).rmdir(QStringLiteral("Maint_Rep.txt")));
    QVERIFY(QFile::remove(env.files.privateFolder()));
    MaintenanceReport(*env.state, Reg);
    QVERIFY(ReadReport(env).startsWith(Heading));
    QCOMPARE(env.launcher.opened.size(), 1);
    QCOMPARE(env.messages.shown.size(), 1);
}

void TestMaintenanceReport::viewerThatCannotStartShowsAMessage()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    env.launcher.succeed = false;

    MaintenanceReport(*env.state, Reg);

    QCOMPARE(ReadReport(env), Heading);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.lastText().contains(QStringLiteral("no text viewer could be started")));
    QCOMPARE(env.state->LastCallResult, 0);
}

void TestMaintenanceReport::viewerThatFailsLaterShowsAMessage()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    MaintenanceReport(*env.state, Reg);
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(env.launcher.laterFailure);
    env.launcher.laterFailure(); // the viewer started, then said it could not show the file
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(env.messages.lastText().contains(QStringLiteral("no text viewer could be started")));
}

// Never in the working folder: a temporary folder that is not there is a failure told.
void TestMaintenanceReport::missingTemporaryFolderIsReportedNotReplaced_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("folder gone") << false;
    // What QDir::tempPath() gives when TMPDIR names a missing folder.
    QTest::newRow("empty path") << true;
}

void TestMaintenanceReport::missingTemporaryFolderIsReportedNotReplaced()
{
    QFETCH(bool, empty);
    TestPlatform env;
    AddVehicle(env, Reg);
    const QString working = QDir::currentPath();
    QVERIFY(QDir::setCurrent(env.folder.path()));
    env.files.temp = empty ? QString() : QDir(env.temp.path()).filePath(QStringLiteral("gone"));
    MaintenanceReport(*env.state, Reg);
    QDir::setCurrent(working);
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.lastText().startsWith(
        QStringLiteral("The maintenance report could not be written to ")));
    QVERIFY(!QFile::exists(QDir(env.folder.path()).filePath(QStringLiteral("Maint_Rep.txt"))));
    QVERIFY(!QFile::exists(QDir(env.files.temp).filePath(QStringLiteral("Maint_Rep.txt"))));
    QVERIFY(env.launcher.opened.isEmpty());
}

void TestMaintenanceReport::missingTmpdirFallsBackToTheSystemFolder()
{
#ifdef Q_OS_UNIX
    const QByteArray saved = qgetenv("TMPDIR");
    QTemporaryDir scratch;
    qputenv("TMPDIR", QDir(scratch.path()).filePath(QStringLiteral("missing")).toLocal8Bit());
    const QString folder = QtFiles().tempFolder();
    qputenv("TMPDIR", scratch.path().toLocal8Bit());
    const QString present = QtFiles().tempFolder();
    if (saved.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved);
    QCOMPARE(folder, QStringLiteral("/tmp"));
    QCOMPARE(present, scratch.path());
#else
    QSKIP("TMPDIR is a POSIX setting");
#endif
}

void TestMaintenanceReport::somethingInTheWayIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a file of the user's") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("folder") << "folder";
#ifdef Q_OS_UNIX
    QTest::newRow("named pipe") << "pipe";
    QTest::newRow("second name of another file") << "hardlink";
    QTest::newRow("another user's file") << "foreign";
#endif
}

// Another local user may plant Maint_Rep.txt in a shared temporary folder: whatever is there is
// not followed, emptied or written; the report goes into the user's own folder instead.
void TestMaintenanceReport::somethingInTheWayIsLeftAlone()
{
    QFETCH(QString, kind);
    TestPlatform env;
    AddVehicle(env, Reg);
    const QString planted = ReportPath(env);
    const QString victim = QDir(env.folder.path()).filePath(QStringLiteral("precious.txt"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(victim, planted));
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(victim + QStringLiteral(".new"), planted));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(planted));
    }
#ifdef Q_OS_UNIX
    else if (kind == QLatin1String("pipe")) {
        QCOMPARE(::mkfifo(QFile::encodeName(planted).constData(), 0600), 0);
    } else if (kind == QLatin1String("hardlink")) {
        QCOMPARE(
            ::link(QFile::encodeName(victim).constData(), QFile::encodeName(planted).constData()),
            0);
    } else if (kind == QLatin1String("foreign")) {
        if (::geteuid() != 0)
            QSKIP("only root can hand a file to another user");
        QFile theirs(planted);
        QVERIFY(theirs.open(QIODevice::WriteOnly));
        theirs.write("theirs");
        theirs.close();
        QCOMPARE(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    }
#endif

    MaintenanceReport(*env.state, Reg);

    QVERIFY2(env.messages.shown.isEmpty(), qPrintable(env.messages.lastText()));
    const QString own = QDir(env.files.privateFolder()).filePath(QStringLiteral("Maint_Rep.txt"));
    QCOMPARE(env.launcher.opened, QStringList{own});
    QFile report(own);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), Heading);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
    QVERIFY(!QFile::exists(victim + QStringLiteral(".new")));
    // Nothing was made beside what is in the way: no temporary file stays.
    QCOMPARE(QDir(env.temp.path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
             QStringList{QStringLiteral("Maint_Rep.txt")});
    if (kind == QLatin1String("foreign")) {
        QFile theirs(planted);
        QVERIFY(theirs.open(QIODevice::ReadOnly));
        QCOMPARE(theirs.readAll(), QByteArray("theirs"));
    }
    QCOMPARE(QFileInfo(env.files.privateFolder()).permissions() & 0x0077,
             QFileDevice::Permissions());
}

void TestMaintenanceReport::ownFileIsEmptiedAndRewritten()
{
    TestPlatform env;
    AddVehicle(env, Reg);
    QFile old(ReportPath(env));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    MaintenanceReport(*env.state, Reg);
    QCOMPARE(ReadReport(env), Heading);
    QCOMPARE(env.launcher.opened, QStringList{ReportPath(env)});
}

QTEST_GUILESS_MAIN(TestMaintenanceReport)
#include "tst_maintenancereport.moc"
