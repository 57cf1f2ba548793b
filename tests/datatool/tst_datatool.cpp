#include "DataTool.h"
#include "Fakes.h"
#include "FileSafety.h"
#include "FileValues.h"
#include "SharedState.h"
#include "SqliteDatabase.h"
#include "StoreLock.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(KELMOT_FIXTURES) + name;
}

QString sample(const char* name)
{
    return QStringLiteral(KELMOT_FORMATS "/") + QLatin1String(name);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// What is set up before kelmot-data runs; "target" is a path in the test's folder.
enum class Fault
{
    None,
    StoreLocked,        // a second connection holds a write transaction
    StoreReadOnly,      // the store file cannot be written
    StoreNotALog,       // the store file is text
    StoreWithoutTables, // an empty file, which SQLite reads as a database without tables
    StoreTooNew,        // user_version 99
    StoreJournalLeft,   // a write killed half done left its journal beside the store
    TargetFolder,       // a folder at target
    TargetFile,         // an ordinary file at target
    TargetDatabase,     // another Kelmot store at target
    TargetLink,         // target links to an ordinary file
    TargetDanglingLink, // target links to nothing
    TargetFullDevice,   // target is a device that is always full, as /dev/full
    TargetPipe,         // target is a named pipe nobody reads
    TargetPipeRead,     // target is a named pipe with a reader
    OutputFull,         // standard output is the full device
    BackupDiskFull,     // files may not grow past 10000 bytes while kelmot-data runs
    ExportCannotGrow,   // the same, with an older export at target and a longer log to export
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestDataTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();

    void usageErrors_data();
    void usageErrors();
    void help();
    void importPrintsPerVehicle();
    void dryRunStoresNothing();
    void importTwiceAddsNothing();
    void fileInNoFormat();
    void fileWithoutVehicleNeedsOne();
    void dateOrderGiven();
    void vehicleChosenFromSeveral();
    void plateFiledUnderTheLogsVehicle();
    void kilometrePreferenceConverts();
    void exportToStandardOutputAndFile();
    void exportOfUnknownVehicle();
    void missingStore();
    void backupRestoreCheck();
    void exportRemovedRowsLeftOutOnImport();
    void failuresInPlainWords_data();
    void failuresInPlainWords();
    void standardOutputFailureExitsOne_data();
    void standardOutputFailureExitsOne();
    void formulaTextsGuardedAndReadBack_data();
    void formulaTextsGuardedAndReadBack();
    void cleanup();
    void readOnlyStoreCheckedExportedBackedUp_data();
    void readOnlyStoreCheckedExportedBackedUp();
    void restoreRefusedWhileKelmotRuns_data();
    void restoreRefusedWhileKelmotRuns();

private:
    int run(const QStringList& args, QIODevice* output = nullptr);
    QString target() const { return QDir(dir_->path()).filePath(QStringLiteral("target")); }
    void setUp(Fault fault);
    QString fullDevice();
    QString storePath() const { return QDir(dir_->path()).filePath(QStringLiteral("Mileage.mdb")); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SqliteDatabase> holder_; // a second program's connection
    std::unique_ptr<SqliteTransaction> holding_;
    std::function<void()> undo_; // what set-up must take back before the folder goes
    FakeClock clock_;
    FakeSettings settings_;
    QString out_, err_;
    QString target_;      // the target of the row at hand: target(), or a device
    int pipeReader_ = -1; // the reading end of a named pipe
};

void TestDataTool::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    VehicleLog::Create(storePath());
    settings_.values.clear();
}

void TestDataTool::cleanup()
{
    holding_.reset();
    holder_.reset();
    if (undo_)
        undo_();
    undo_ = nullptr;
}

int TestDataTool::run(const QStringList& args, QIODevice* output)
{
    out_.clear();
    err_.clear();
    QTextStream out(&out_), err(&err_);
    if (output)
        out.setDevice(output);
    // A locked store fails at once instead of after the usual wait.
    const int status = RunDataTool(args, out, err, {clock_, settings_, dir_->path(), 50});
    out.flush();
    err.flush();
    return status;
}

void TestDataTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command frobnicate";
    QTest::newRow("store without path") << QStringList{"--store"} << "--store needs a path";
    QTest::newRow("import without file") << QStringList{"import"} << "give exactly one FILE";
    QTest::newRow("import with two files")
        << QStringList{"import", "a", "b"} << "give exactly one FILE";
    QTest::newRow("unknown import option")
        << QStringList{"import", "--fast", "a"} << "unknown option --fast";
    QTest::newRow("format without name")
        << QStringList{"import", "a", "--format"} << "--format needs a value";
    QTest::newRow("unknown option before the command")
        << QStringList{"--fast", "--help"} << "unknown option --fast";
    QTest::newRow("flag given a value")
        << QStringList{"export", "--force=yes", "a"} << "unknown option --force=yes";
    QTest::newRow("a bare -- ends no options")
        << QStringList{"import", "--", "a"} << "unknown option --";
    QTest::newRow("a word after one dash is a FILE")
        << QStringList{"check", "-x"} << "this command takes no FILE";
    QTest::newRow("an option as the value of --store")
        << QStringList{"--store", "--help"} << "no command given";
    QTest::newRow("check with a file") << QStringList{"check", "x"} << "this command takes no FILE";
    QTest::newRow("date order neither dmy nor mdy")
        << QStringList{"import", "--date-order", "ymd", "a"}
        << "--date-order takes dmy or mdy, not ymd";
    QTest::newRow("volume unit unknown")
        << QStringList{"import", "--volume-unit=barrel", "a"}
        << "--volume-unit takes litre, us-gallon or imperial-gallon, not barrel";
    QTest::newRow("day/month order undecided")
        << QStringList{"import", "--vehicle", "LL",
                       sample("lubelogger-service-undecided-order.csv")}
        << "the file does not tell whether its dates are day first or month first (lines 3, 4, "
           "6, 7 read either way): give the order with --date-order dmy|mdy; nothing was stored";
}

void TestDataTool::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QCOMPARE(run(args), int(DataToolUsage));
    QVERIFY2(err_.startsWith("kelmot-data: " + message + "\n"), qPrintable(err_));
    QVERIFY(out_.isEmpty());
}

void TestDataTool::help()
{
    QCOMPARE(run({"--help"}), 0);
    for (const char* word : {"import [--format NAME] [--vehicle REG] [--date-order dmy|mdy]",
                             "[--volume-unit UNIT] [--dry-run] FILE",
                             "export [--vehicle REG] [--removed] [--force] FILE|-", "backup FILE",
                             "restore FILE", "check", "--store PATH", "fuelio", "lubelogger"})
        QVERIFY2(out_.contains(QLatin1String(word)), word);
    QVERIFY(err_.isEmpty());
}

void TestDataTool::importPrintsPerVehicle()
{
    QCOMPARE(run({"--store", storePath(), "import", fixture("acar.csv")}), 0);
    QVERIFY2(out_.startsWith("Format: acar\n"), qPrintable(out_));
    QVERIFY2(out_.contains("Vehicle TX 4411 (new vehicle)\n"
                           "  readings: 2 added, 0 already present, 1 refused\n"
                           "  maintenance: 1 added, 0 already present, 0 refused\n"
                           "  prices per US gallon converted to per litre (1 US gallon = "
                           "3.785411784 litres)\n"
                           "  line 17: row refused: the column Odometer Reading is missing\n"),
             qPrintable(out_));
    QVERIFY2(out_.contains("Vehicle Estate (new vehicle)\n"
                           "  readings: 1 added, 0 already present, 1 refused\n"
                           "  maintenance: 0 added, 0 already present, 1 refused\n"
                           "  prices per imperial gallon converted to per litre (1 imperial "
                           "gallon = 4.54609 litres)\n"
                           "  odometer readings converted from kilometres to miles (1 mile = "
                           "1.609344 km)\n"),
             qPrintable(out_));
    QVERIFY(out_.contains("  line 22: maintenance refused: the cost is 0 or less\n"));
    QVERIFY(out_.endsWith("Stored 4 rows (2 new vehicles); 3 rows refused.\n"));
    auto log = VehicleLog::Open(storePath());
    QCOMPARE(log->ListRegistrations(), QStringList({"Estate", "TX 4411"}));
    QCOMPARE(log->MileageChronological("TX 4411").size(), 2);
}

void TestDataTool::dryRunStoresNothing()
{
    QCOMPARE(run({"--store", storePath(), "import", "--dry-run", fixture("fuelio_km.csv")}), 0);
    QVERIFY2(out_.endsWith("Nothing stored (dry run): 4 rows (1 new vehicle) would be added; 2 "
                           "rows refused.\n"),
             qPrintable(out_));
    QVERIFY(VehicleLog::Open(storePath())->ListRegistrations().isEmpty());
}

void TestDataTool::importTwiceAddsNothing()
{
    // Without --store: the Mileage.mdb in the program folder.
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    QVERIFY(out_.contains("  readings: 0 added, 2 already present, 0 refused\n"));
    QVERIFY(out_.endsWith("Nothing to add; 0 rows refused.\n"));
    QCOMPARE(VehicleLog::Open(storePath())->MileageChronological("Clio").size(), 2);
}

void TestDataTool::fileInNoFormat()
{
    const QString path = QDir(dir_->path()).filePath("notes.txt");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("shopping list\neggs\n");
    f.close();
    QCOMPARE(run({"import", path}), int(DataToolUsage));
    QVERIFY2(err_.startsWith("kelmot-data: The file is not in any format Kelmot can import"),
             qPrintable(err_));
    QVERIFY(err_.contains("nothing was imported"));
    QVERIFY(err_.endsWith(" The import file is " + QDir::toNativeSeparators(path) + ".\n"));
    QVERIFY(out_.isEmpty());
    QCOMPARE(run({"import", QDir(dir_->path()).filePath("absent.csv")}), int(DataToolUsage));
    QVERIFY(err_.contains("could not be opened"));
}

void TestDataTool::fileWithoutVehicleNeedsOne()
{
    QCOMPARE(run({"import", fixture("spritmonitor.csv")}), int(DataToolUsage));
    QVERIFY(err_.contains("--vehicle REG"));
    QVERIFY(VehicleLog::Open(storePath())->ListRegistrations().isEmpty());
    QCOMPARE(run({"import", "--vehicle", "SP 9", fixture("spritmonitor.csv")}), 0);
    QVERIFY(out_.contains("Vehicle SP 9 (new vehicle)\n"));
    QVERIFY(out_.contains("  line 9: row refused: the line is cut off"));
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList{"SP 9"});
}

void TestDataTool::dateOrderGiven()
{
    QCOMPARE(run({"import", "--vehicle", "LL", sample("lubelogger-fuel-month-first.csv")}), 0);
    QCOMPARE(run({"import", "--vehicle", "LL", "--date-order", "dmy",
                  sample("lubelogger-service-undecided-order.csv")}),
             0);
    const auto rows = VehicleLog::Open(storePath())->MaintenanceByDate("LL");
    QCOMPARE(rows.size(), 6);
    QCOMPARE(StoredDateText(rows.last().Date), QStringLiteral("2021-11-09")); // 09/11 day first
}

void TestDataTool::vehicleChosenFromSeveral()
{
    QCOMPARE(run({"import", "--vehicle=miata", fixture("fuelly_imperial.csv")}), 0);
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList{"miata"});
    QCOMPARE(run({"import", "--vehicle", "Beetle", fixture("fuelly_imperial.csv")}),
             int(DataToolUsage));
    QVERIFY2(err_.contains("the file has no vehicle Beetle (it has Civic, Miata)"),
             qPrintable(err_));
}

// A vehicle the file names "Civic" is the log's "CIV IC": equal apart from blanks and case.
void TestDataTool::plateFiledUnderTheLogsVehicle()
{
    VehicleLog::Open(storePath())
        ->OpenVehicleDetailsTable()
        ->AppendVehicle(VehicleRow{"CIV IC", "", "", "", 0, NoDate(), NoDate()},
                        MileageRow{"CIV IC", AtMidnight(QDate(2023, 12, 1)), 30000, 0, 0});
    QCOMPARE(run({"import", fixture("fuelly_imperial.csv")}), 0);
    QVERIFY2(out_.contains("Vehicle CIV IC\n  readings: 2 added"), qPrintable(out_));
    QVERIFY(out_.contains("  Civic in the file is filed under CIV IC, the log's vehicle of that "
                          "registration\n"));
    auto log = VehicleLog::Open(storePath());
    QCOMPARE(log->ListRegistrations(), QStringList({"CIV IC", "Miata"}));
    QCOMPARE(log->MileageChronological("CIV IC").size(), 3);
}

void TestDataTool::kilometrePreferenceConverts()
{
    settings_.values[QString::fromLatin1(DistanceMeasurementKey)] = QStringLiteral("Kilometre");
    QCOMPARE(run({"import", fixture("fuelio_gallons.csv")}), 0);
    QVERIFY(out_.contains("odometer readings converted from miles to kilometres"));
    const auto rows = VehicleLog::Open(storePath())->MileageChronological("Van");
    QCOMPARE(rows.size(), 2);
    // Stored without the binary noise of the product (80467.200000000012).
    QVERIFY(rows.first().CurrentMileage == 80467.2);
}

void TestDataTool::exportToStandardOutputAndFile()
{
    {
        auto log = VehicleLog::Open(storePath());
        log->OpenVehicleDetailsTable()->AppendVehicle(
            VehicleRow{"AB1", "Mini", "One", "Petrol", 0, NoDate(), NoDate()},
            MileageRow{"AB1", AtMidnight(QDate(2024, 1, 2)), 500, 0, 0});
        log->OpenMaintenanceTable()->AppendMaintenance(
            {"AB1", QDateTime(QDate(2024, 2, 3), QTime(9, 30), Qt::UTC), 12.5, "Wipers, \"new\""});
    }
    QCOMPARE(run({"export", "-"}), 0);
    // Standard output starts with the byte order mark, as the file does.
    QVERIFY(out_.startsWith(QChar(0xFEFF)));
    const QStringList lines = out_.mid(1).split("\r\n");
    QCOMPARE(lines.value(0),
             QStringLiteral("Kelmot Record,Registration,Date,Current Mileage,Distance "
                            "Unit,Amount,Price Per,Cost,Description,Make,Model,Fuel,"
                            "Engine Capacity,Registration Date,Purchase Date,Removed At,Fill,"
                            "Category"));
    QCOMPARE(lines.value(1), QStringLiteral("Vehicle,AB1,,,,,,,,Mini,One,Petrol,0,,,,,"));
    QCOMPARE(lines.value(2), QStringLiteral("Mileage,AB1,2024-01-02,500,Mile,0,0,,,,,,,,,,Full,"));
    QCOMPARE(lines.value(3), QStringLiteral("Maintenance,AB1,2024-02-03T09:30:00,,,,,12.5,"
                                            "\"Wipers, \"\"new\"\"\",,,,,,,,,Other"));
    const QByteArray whole = out_.toUtf8();
    const QString path = QDir(dir_->path()).filePath("out.csv");
    QCOMPARE(run({"export", "--vehicle", "ab1", path}), 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), whole);
}

void TestDataTool::exportOfUnknownVehicle()
{
    QCOMPARE(run({"export", "--vehicle", "NOPE", "-"}), int(DataToolProblems));
    QVERIFY(err_.contains("There is no vehicle NOPE in the log; nothing was exported."));
}

void TestDataTool::missingStore()
{
    QCOMPARE(run({"--store", QDir(dir_->path()).filePath("none.mdb"), "export", "-"}),
             int(DataToolProblems));
    QVERIFY(err_.contains("there is no store at"));
    QVERIFY(!QFile::exists(QDir(dir_->path()).filePath("none.mdb")));
}

void TestDataTool::backupRestoreCheck()
{
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    QCOMPARE(run({"check"}), 0);
    QCOMPARE(out_, QStringLiteral("The store is sound.\n"));
    const QString copy = QDir(dir_->path()).filePath("copy.mdb");
    QCOMPARE(run({"backup", copy}), 0);
    QVERIFY(out_.contains("integrity checked"));
    QCOMPARE(run({"backup", copy}), int(DataToolProblems)); // never overwritten
    QCOMPARE(VehicleLog::Open(copy)->MileageChronological("Clio").size(), 2);

    QCOMPARE(run({"import", fixture("lubelogger_iso.csv"), "--vehicle", "LL"}), 0);
    const QString broken = QDir(dir_->path()).filePath("broken.mdb");
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a store at all");
    f.close();
    QCOMPARE(run({"restore", broken}), int(DataToolProblems));
    QVERIFY2(err_.contains("broken.mdb cannot be restored: "), qPrintable(err_));
    QVERIFY2(err_.contains("Nothing was changed."), qPrintable(err_));
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList({"Clio", "LL"}));

    QCOMPARE(run({"restore", copy}), 0);
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList{"Clio"});
    const QString kept = storePath() + ".before-restore-20260615-120000"; // the fake clock's time
    QVERIFY2(
        out_.endsWith("; the previous store is kept as " + QDir::toNativeSeparators(kept) + "\n"),
        qPrintable(out_));
    QCOMPARE(VehicleLog::Open(kept)->ListRegistrations(), QStringList({"Clio", "LL"}));
}

void TestDataTool::exportRemovedRowsLeftOutOnImport()
{
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    VehicleLog::Open(storePath())
        ->RemoveLatestMileage("Clio", QDateTime(QDate(2024, 4, 1), QTime(10, 0), Qt::UTC));
    QCOMPARE(run({"export", "--removed", "-"}), 0);
    QVERIFY2(out_.contains("\r\nRemoved Mileage,Clio,2024-03-19T18:20:00,"), qPrintable(out_));
    QVERIFY(out_.contains(",Removed At,Fill,Category,Reason\r\n"));
    QVERIFY(out_.contains(",2024-04-01T10:00:00,Full,,Removed\r\n"));
    const QString path = QDir(dir_->path()).filePath("removed.csv");
    QCOMPARE(run({"export", "--removed", path}), 0);
    const QString other = QDir(dir_->path()).filePath("other.mdb");
    VehicleLog::Create(other);
    QCOMPARE(run({"--store", other, "import", path}), 0);
    QVERIFY(out_.contains("1 removed row left out\n"));
    QCOMPARE(VehicleLog::Open(other)->MileageChronological("Clio").size(), 1);

    // A merged vehicle's details are written under the registration it had.
    auto log = VehicleLog::Open(storePath());
    log->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"Old Clio", "Renault", "", "", 0, NoDate(), NoDate()},
        MileageRow{"Old Clio", AtMidnight(QDate(2000, 1, 1)), 0, 0, 0});
    log->MergeVehicle("Old Clio", "Clio", QDateTime(QDate(2024, 4, 2), QTime(10, 0), Qt::UTC));
    log.reset();
    QCOMPARE(run({"export", "--removed", "-"}), 0);
    QVERIFY2(out_.contains("\r\nRemoved Vehicle Details,Old Clio,,,,,,,,Renault,,,0,,,"
                           "2024-04-02T10:00:00,,,Merged\r\n"),
             qPrintable(out_));
}

QString TestDataTool::fullDevice()
{
#ifdef Q_OS_LINUX
    // A device of the test's own that answers every write with "no space left", as /dev/full.
    if (::mknod(QFile::encodeName(target()).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0)
        return target();
    // Without the right to make one, /dev/full itself: such a user cannot replace it either.
    if (::geteuid() != 0)
        return QStringLiteral("/dev/full");
#endif
    return QString();
}

void TestDataTool::setUp(Fault fault)
{
    target_ = target();
    switch (fault) {
    case Fault::None:
    case Fault::BackupDiskFull:
        break;
    case Fault::ExportCannotGrow: {
        writeFile(target_, "an older export\n");
        auto log = VehicleLog::Open(storePath());
        LogBatch batch;
        for (int i = 0; i < 300; ++i)
            batch.maintenance.append({log->ListRegistrations().value(0),
                                      AtMidnight(QDate(2024, 1, 1)), 1.5, "Oil and filter"});
        log->AppendBatch(batch);
        break;
    }
    case Fault::StoreLocked:
        holder_ = std::make_unique<SqliteDatabase>(storePath(), SqliteDatabase::Mode::ReadWrite, 0);
        holding_ = std::make_unique<SqliteTransaction>(*holder_);
        break;
    case Fault::StoreReadOnly: {
        QFile::setPermissions(storePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile probe(storePath());
        if (!probe.open(QIODevice::ReadWrite))
            break;
        probe.close();
#ifdef Q_OS_LINUX
        // Permissions do not stop root; an immutable file does.
        const QString path = storePath();
        const auto setImmutable = [path](bool on) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            int flags = 0;
            bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            if (fd >= 0)
                ::close(fd);
            return done;
        };
        if (setImmutable(true)) {
            undo_ = [setImmutable] { setImmutable(false); };
            break;
        }
#endif
        QSKIP("this user can write any file");
    }
    case Fault::StoreNotALog:
        writeFile(storePath(), "not a store at all\n");
        break;
    case Fault::StoreWithoutTables:
        writeFile(storePath(), QByteArray());
        break;
    case Fault::StoreTooNew:
        SqliteDatabase(storePath(), SqliteDatabase::Mode::ReadWrite, 0)
            .execute("PRAGMA user_version = 99");
        break;
    case Fault::StoreJournalLeft: {
        // Pages enough for the half-done write to reach the file, as a big write does.
        LogBatch batch;
        for (int i = 0; i < 3000; ++i)
            batch.mileage << MileageRow{"Clio", AtMidnight(QDate(2024, 1, 1)), 1000.0 + i, 0, 0};
        VehicleLog::Open(storePath())->AppendBatch(batch);
        QProcess child;
        child.start(QStringLiteral(KELMOT_COPIER), {QStringLiteral("hold"), storePath()});
        QVERIFY(child.waitForReadyRead(30000));
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(QFileInfo(storePath() + QStringLiteral("-journal")).size() > 0);
        break;
    }
    case Fault::TargetFolder:
        QVERIFY(QDir().mkdir(target_));
        break;
    case Fault::TargetFile:
        writeFile(target_, "an older export\n");
        break;
    case Fault::TargetDatabase:
        VehicleLog::Create(target_);
        break;
    case Fault::TargetLink:
        writeFile(target_ + ".real", "an older export\n");
        QVERIFY(QFile::link(target_ + ".real", target_));
        break;
    case Fault::TargetDanglingLink:
        QVERIFY(QFile::link(target_ + ".nowhere", target_));
        break;
    case Fault::TargetFullDevice:
    case Fault::OutputFull:
        target_ = fullDevice();
        if (target_.isEmpty())
            QSKIP("no device that is always full");
        break;
    case Fault::TargetPipe:
    case Fault::TargetPipeRead:
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(target_).constData(), 0600), 0);
        if (fault == Fault::TargetPipeRead) {
            pipeReader_ =
                ::open(QFile::encodeName(target_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(pipeReader_ >= 0);
            undo_ = [this] {
                ::close(pipeReader_);
                pipeReader_ = -1;
            };
        }
        break;
#else
        QSKIP("no named pipes here");
#endif
    }
}

void TestDataTool::failuresInPlainWords_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList import{"import", fixture("fuelly_metric.csv")};
    QTest::newRow("store in use by another program")
        << Fault::StoreLocked << import << 1
        << "kelmot-data: the store %STORE% is in use by another program, so nothing was stored; "
           "try again in a moment.\n";
    QTest::newRow("store read-only")
        << Fault::StoreReadOnly << import << 1
        << "kelmot-data: the store %STORE% cannot be written: the file or its folder is "
           "read-only, so nothing was stored.\n";
    QTest::newRow("store not a vehicle log")
        << Fault::StoreNotALog << QStringList{"check"} << 1
        << "kelmot-data: the store %STORE% is not a vehicle log, so the store was not checked.\n";
    QTest::newRow("store without tables")
        << Fault::StoreWithoutTables << QStringList{"export", "-"} << 1
        << "kelmot-data: the store %STORE% is not a vehicle log, so nothing was exported.\n";
    QTest::newRow("store written by a newer Kelmot")
        << Fault::StoreTooNew << import << 1
        << "kelmot-data: the store %STORE%: This vehicle log was written by a newer version of "
           "Kelmot (version 99 of the log; this Kelmot knows up to version %VERSION%). It has "
           "been left as it is; open it with that version.\n";
    QTest::newRow("store cannot be opened")
        << Fault::TargetFolder << QStringList{"--store", "%TARGET%", "check"} << 1
        << "kelmot-data: the store %TARGET% cannot be opened, so the store was not checked.\n";
    // A file that may not grow fails as a disk fault, not as a full disk; either way the
    // backup is to blame, not the store.
    QTest::newRow("backup that cannot grow blames the backup")
        << Fault::BackupDiskFull << QStringList{"backup", "%TARGET%"} << 1
        << "kelmot-data: the backup %TARGET% could not be read or written because of a disk or "
           "network fault, so no backup was written.\n";
    const QString ontoStore = "kelmot-data: %STORE% is the store itself; an export never "
                              "replaces it. Choose another file; nothing was exported.\n";
    QTest::newRow("export onto the store")
        << Fault::None << QStringList{"export", "%STORE%"} << 1 << ontoStore;
    QTest::newRow("export onto the store, forced")
        << Fault::None << QStringList{"export", "--force", "%STORE%"} << 1 << ontoStore;
    QTest::newRow("export onto another store")
        << Fault::TargetDatabase << QStringList{"export", "--force", "%TARGET%"} << 1
        << "kelmot-data: %TARGET% holds a database (a Kelmot store or another program's); an "
           "export never replaces one. Choose another file; nothing was exported.\n";
    // Names SQLite and Kelmot use beside the store, whether there now or not.
    for (const char* side : {"-journal", ".lock", ".kelmot-temp-a1B2c3"})
        QTest::newRow(qPrintable(QStringLiteral("export onto the store's own %1").arg(side)))
            << Fault::None << QStringList{"export", QStringLiteral("%STORE%") + side} << 1
            << QStringLiteral("kelmot-data: %STORE%") + side +
                   " is a name Kelmot keeps for the store's own files (its journal, lock and "
                   "temporary copies); an export never goes there. Choose another file; nothing "
                   "was exported.\n";
    QTest::newRow("backup onto the store's own journal name")
        << Fault::None << QStringList{"backup", "%STORE%-journal"} << 1
        << "kelmot-data: %STORE%-journal is a name Kelmot keeps for the vehicle log's own files "
           "(its journal, lock and temporary copies); a backup never goes there. Choose another "
           "file; no backup was written.\n";
    QTest::newRow("export that cannot grow keeps the older file")
        << Fault::ExportCannotGrow << QStringList{"export", "--force", "%TARGET%"} << 1
        << "kelmot-data: The file %TARGET% could not be written (File too large); nothing was "
           "exported.\n";
    QTest::newRow("export after a write a crash left half done")
        << Fault::StoreJournalLeft << QStringList{"export", "%TARGET%"} << 0 << "";
    QTest::newRow("export onto a folder")
        << Fault::TargetFolder << QStringList{"export", "--force", "%TARGET%"} << 1
        << "kelmot-data: %TARGET% is a folder; choose a file name. Nothing was exported.\n";
    const QString link = "kelmot-data: %TARGET% is a link; an export is never written through "
                         "one. Choose the file it leads to, or another name; nothing was "
                         "exported.\n";
    QTest::newRow("export through a link")
        << Fault::TargetLink << QStringList{"export", "--force", "%TARGET%"} << 1 << link;
    QTest::newRow("export through a dangling link")
        << Fault::TargetDanglingLink << QStringList{"export", "%TARGET%"} << 1 << link;
    QTest::newRow("export onto a file without --force")
        << Fault::TargetFile << QStringList{"export", "%TARGET%"} << 1
        << "kelmot-data: The file %TARGET% already exists; nothing was exported. Give --force "
           "to replace it.\n";
    QTest::newRow("export onto a file with --force")
        << Fault::TargetFile << QStringList{"export", "--force", "%TARGET%"} << 0 << "";
    QTest::newRow("export into a full device")
        << Fault::TargetFullDevice << QStringList{"export", "%TARGET%"} << 1
        << "kelmot-data: There is no room left on the disk for %TARGET%; what was written into "
           "it is incomplete.\n";
    QTest::newRow("export into a pipe nobody reads")
        << Fault::TargetPipe << QStringList{"export", "%TARGET%"} << 1
        << "kelmot-data: Nothing is reading from %TARGET%; nothing was exported.\n";
    QTest::newRow("export into a pipe being read")
        << Fault::TargetPipeRead << QStringList{"export", "%TARGET%"} << 0 << "";
    QTest::newRow("export to standard output on a full disk")
        << Fault::OutputFull << QStringList{"export", "-"} << 1
        << "kelmot-data: standard output could not be written (the disk is full), so the export "
           "is incomplete.\n";
    QTest::newRow("import summary on a full disk")
        << Fault::OutputFull << import << 1
        << "kelmot-data: standard output could not be written (the disk is full), so the "
           "summary is incomplete, though the import was stored.\n";
}

void TestDataTool::failuresInPlainWords()
{
    QFETCH(Fault, fault);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    // A vehicle in the store, except where the store is the fault, and where the import is the
    // command under test.
    const bool storeFault = fault == Fault::StoreNotALog || fault == Fault::StoreWithoutTables ||
                            fault == Fault::StoreTooNew;
    if (!storeFault && args.first() != "import")
        QCOMPARE(run({"import", fixture("fuelio_km.csv")}), 0);
    setUp(fault);
    if (QTest::currentTestFailed())
        return;
    const auto fill = [this](QString text) {
        return text.replace("%STORE%", QDir::toNativeSeparators(storePath()))
            .replace("%TARGET%", QDir::toNativeSeparators(target_))
            .replace("%VERSION%", QString::number(VehicleLog::SchemaVersion));
    };
    for (QString& a : args)
        a = fill(a);
    const bool device = fault == Fault::TargetFullDevice || fault == Fault::OutputFull ||
                        fault == Fault::TargetPipe || fault == Fault::TargetPipeRead;
    const QByteArray before = device ? QByteArray() : contentOf(target_);
    const QByteArray storeBefore = contentOf(storePath());

    std::unique_ptr<QFile> output;
    if (fault == Fault::OutputFull) {
        output = std::make_unique<QFile>(target_);
        QVERIFY(output->open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    }
#ifdef Q_OS_LINUX
    // Files may not grow past 10000 bytes: the store's probing journal fits, the backup does not.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    const auto oldSignal = ::signal(SIGXFSZ, SIG_IGN);
    const bool cannotGrow = fault == Fault::BackupDiskFull || fault == Fault::ExportCannotGrow;
    if (cannotGrow) {
        limit.rlim_cur = 10000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
#else
    if (fault == Fault::BackupDiskFull || fault == Fault::ExportCannotGrow)
        QSKIP("no way to fill the disk here");
#endif
    const auto files = [this] {
        return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    };
    const QStringList filesBefore = files();
    const int got = run(args, output.get());
#ifdef Q_OS_LINUX
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldSignal);
#endif
    QCOMPARE(err_, fill(message));
    QCOMPARE(got, status);
    if (status != 0)
        QCOMPARE(files(), filesBefore); // no partial or temporary file left behind

    holding_.reset();
    if (status != 0 && fault != Fault::OutputFull)
        QCOMPARE(contentOf(storePath()), storeBefore);
    if (status != 0 && !device)
        QCOMPARE(contentOf(target_), before); // a linked file, a database, a file: untouched
    if (device)
        QVERIFY(QFileInfo::exists(target_) && !QFileInfo(target_).isFile());
    if (fault == Fault::BackupDiskFull)
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"Mileage.mdb"});
    if (fault == Fault::OutputFull && args.first() == "import")
        QCOMPARE(VehicleLog::Open(storePath())->MileageChronological("Clio").size(), 2);
    QByteArray written;
    if (!device && status == 0)
        written = contentOf(target_);
#ifdef Q_OS_UNIX
    if (fault == Fault::TargetPipeRead) {
        char buffer[4096];
        for (qint64 n; (n = ::read(pipeReader_, buffer, sizeof buffer)) > 0;)
            written.append(buffer, n);
    }
#endif
    if (status == 0) {
        QCOMPARE(out_, "Exported to " + QDir::toNativeSeparators(target_) + "\n");
        QVERIFY2(written.startsWith("\xEF\xBB\xBF"
                                    "Kelmot Record,"),
                 written.constData());
        QVERIFY(written.contains("\r\nMileage,"));
    }
}

void TestDataTool::standardOutputFailureExitsOne_data()
{
    QTest::addColumn<bool>("closedPipe"); // else a device that is always full
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << false << "the disk is full";
    QTest::newRow("closed pipe") << true << QString();
}

void TestDataTool::standardOutputFailureExitsOne()
{
    QFETCH(bool, closedPipe);
    QFETCH(QString, reason);
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    QProcess tool, reader;
    if (closedPipe) {
        // The reader takes ten bytes and ends, closing the pipe.
        const QString head = QStandardPaths::findExecutable(QStringLiteral("head"));
        if (head.isEmpty())
            QSKIP("no head command here");
        tool.setStandardOutputProcess(&reader);
        reader.start(head, {"-c", "10"});
        // More than a pipe holds, so the writer meets the closed end whatever the timing.
        LogBatch batch;
        for (int i = 0; i < 3000; ++i)
            batch.maintenance.append({"Clio", AtMidnight(QDate(2024, 1, 1)), 1.5,
                                      QStringLiteral("Oil and filter, item %1").arg(i)});
        VehicleLog::Open(storePath())->AppendBatch(batch);
    } else {
        target_ = fullDevice();
        if (target_.isEmpty())
            QSKIP("no device that is always full");
        tool.setStandardOutputFile(target_);
    }
    tool.start(QStringLiteral(KELMOT_DATA_TOOL), {"--store", storePath(), "export", "-"});
    QVERIFY(tool.waitForFinished(30000));
    if (closedPipe)
        QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 1);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(err.startsWith("kelmot-data: standard output could not be written (" + reason),
             qPrintable(err));
    QVERIFY2(err.endsWith("), so the export is incomplete.\n"), qPrintable(err));
}

void TestDataTool::formulaTextsGuardedAndReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written"); // the field as the CSV holds it
    QTest::newRow("equals") << "=HYPERLINK(\"x\")"
                            << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("plus") << "+44 20 7946"
                          << "'+44 20 7946";
    QTest::newRow("minus") << "-2+3"
                           << "'-2+3";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("tab") << "\t=1"
                         << "'\t=1";
    QTest::newRow("carriage return") << "\r=1"
                                     << "\"'\r=1\"";
    QTest::newRow("apostrophe before equals") << "'=1"
                                              << "''=1";
    QTest::newRow("two apostrophes before minus") << "''-1"
                                                  << "'''-1";
    QTest::newRow("apostrophe before a word") << "'tis"
                                              << "'tis";
    QTest::newRow("signs inside") << "Oil 5W-30 = fine"
                                  << "Oil 5W-30 = fine";
}

void TestDataTool::formulaTextsGuardedAndReadBack()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    {
        auto log = VehicleLog::Open(storePath());
        // A negative number is a number, never guarded.
        log->OpenVehicleDetailsTable()->AppendVehicle(
            VehicleRow{"F1", text, "Model", "Petrol", -1.5, NoDate(), NoDate()},
            MileageRow{"F1", AtMidnight(QDate(2024, 1, 2)), 500, 0, 0});
        log->OpenMaintenanceTable()->AppendMaintenance(
            {"F1", AtMidnight(QDate(2024, 2, 3)), 12.5, text});
    }
    QCOMPARE(run({"export", "-"}), 0);
    QVERIFY2(out_.contains("\r\nVehicle,F1,,,,,,,," + written + ",Model,Petrol,-1.5,,,,,\r\n"),
             qPrintable(out_));
    QVERIFY2(
        out_.contains("\r\nMaintenance,F1,2024-02-03,,,,,12.5," + written + ",,,,,,,,,Other\r\n"),
        qPrintable(out_));
    const QString path = QDir(dir_->path()).filePath("formula.csv");
    QCOMPARE(run({"export", path}), 0);
    const QString other = QDir(dir_->path()).filePath("other.mdb");
    VehicleLog::Create(other);
    QCOMPARE(run({"--store", other, "import", path}), 0);
    auto log = VehicleLog::Open(other);
    const auto maintenance = log->MaintenanceByDate("F1");
    QCOMPARE(maintenance.size(), 1);
    QCOMPARE(maintenance.first().Description, text);
    QCOMPARE(log->FindVehicle("F1")->Make, text);
}

void TestDataTool::readOnlyStoreCheckedExportedBackedUp_data()
{
    QTest::addColumn<bool>("wholeFolder"); // else only the file
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestDataTool::readOnlyStoreCheckedExportedBackedUp()
{
    QFETCH(bool, wholeFolder);
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    QTemporaryDir elsewhere;
    const QString copy = QDir(elsewhere.path()).filePath("copy.mdb");
    const QString locked = wholeFolder ? dir_->path() : storePath();
    // Permissions do not stop root, so there the file or folder is made immutable instead.
    const bool root = ::geteuid() == 0;
    const auto writable = QFile::permissions(locked);
    if (root) {
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), locked}) != 0)
            QSKIP("this file system cannot make a file immutable");
    } else {
        QFile::setPermissions(locked,
                              writable & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser));
    }
    const int checked = run({"check"});
    const QString checkOut = out_;
    const int exported = run({"export", "-"});
    const QString exportOut = out_;
    const int backedUp = run({"backup", copy});
    const QString backupErr = err_;
    if (root)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), locked});
    else
        QFile::setPermissions(locked, writable);
    QCOMPARE(checked, 0);
    QCOMPARE(checkOut, QStringLiteral("The store is sound.\n"));
    QCOMPARE(exported, 0);
    QVERIFY(exportOut.contains("\r\nMileage,Clio,"));
    QVERIFY2(backedUp == 0, qPrintable(backupErr));
    QCOMPARE(VehicleLog::OpenReadOnly(copy)->MileageChronological("Clio").size(), 2);
}

void TestDataTool::restoreRefusedWhileKelmotRuns_data()
{
    QTest::addColumn<bool>("restoring"); // the lock's holder is a restore, else Kelmot
    QTest::addColumn<QString>("words");
    QTest::newRow("Kelmot has the store open") << false << "Close Kelmot first";
    QTest::newRow("another restore runs, Kelmot does not")
        << true << "Another restore or backup is writing in the folder of the vehicle log";
}

void TestDataTool::restoreRefusedWhileKelmotRuns()
{
    QFETCH(bool, restoring);
    QFETCH(QString, words);
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    const QString copy = QDir(dir_->path()).filePath("copy.mdb");
    QCOMPARE(run({"backup", copy}), 0);
    StoreLock kelmot(storePath()); // held as the running program, or a running restore, holds it
    QVERIFY(kelmot.tryAcquire(0));
    std::unique_ptr<FileSafety::TempArea> restore;
    if (restoring)
        restore = std::make_unique<FileSafety::TempArea>(dir_->path(), "Mileage.mdb", 0);
    const QStringList files = QDir(dir_->path()).entryList(QDir::Files);
    QCOMPARE(run({"restore", copy}), int(DataToolProblems));
    QVERIFY2(err_.startsWith("kelmot-data: " + words), qPrintable(err_));
    QVERIFY(err_.contains("Nothing was changed."));
    QVERIFY(out_.isEmpty());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), files);
    restore.reset();
    kelmot.release();
    QCOMPARE(run({"restore", copy}), 0);
}

QTEST_GUILESS_MAIN(TestDataTool)
#include "tst_datatool.moc"
