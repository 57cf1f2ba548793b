#include "DataTool.h"
#include "Fakes.h"
#include "SharedState.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(KELMOT_FIXTURES "/") + name;
}

} // namespace

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
    void vehicleChosenFromSeveral();
    void kilometrePreferenceConverts();
    void exportToStandardOutputAndFile();
    void exportOfUnknownVehicle();
    void missingStore();
    void backupRestoreCheck();
    void exportRemovedRowsLeftOutOnImport();

private:
    int run(const QStringList& args);
    QString storePath() const { return QDir(dir_->path()).filePath(QStringLiteral("Mileage.mdb")); }

    std::unique_ptr<QTemporaryDir> dir_;
    FakeClock clock_;
    FakeSettings settings_;
    QString out_, err_;
};

void TestDataTool::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    VehicleLog::Create(storePath());
    settings_.values.clear();
}

int TestDataTool::run(const QStringList& args)
{
    out_.clear();
    err_.clear();
    QTextStream out(&out_), err(&err_);
    const int status = RunDataTool(args, out, err, {clock_, settings_, dir_->path()});
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
    QTest::newRow("check with a file") << QStringList{"check", "x"} << "this command takes no FILE";
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
    for (const char* word : {"import [--format NAME] [--vehicle REG] [--dry-run] FILE",
                             "export [--vehicle REG] [--removed] FILE|-", "backup FILE",
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
                           "  line 17: row refused: the column Odometer Reading is missing\n"),
             qPrintable(out_));
    QVERIFY2(out_.contains("Vehicle Estate (new vehicle)\n"
                           "  readings: 1 added, 0 already present, 1 refused\n"
                           "  maintenance: 0 added, 0 already present, 1 refused\n"
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
    QVERIFY2(out_.endsWith("Nothing stored (dry run): 4 rows (1 new vehicles) would be added; 2 "
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

void TestDataTool::vehicleChosenFromSeveral()
{
    QCOMPARE(run({"import", "--vehicle=miata", fixture("fuelly_imperial.csv")}), 0);
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList{"miata"});
    QCOMPARE(run({"import", "--vehicle", "Beetle", fixture("fuelly_imperial.csv")}),
             int(DataToolUsage));
    QVERIFY2(err_.contains("the file has no vehicle Beetle (it has Civic, Miata)"),
             qPrintable(err_));
}

void TestDataTool::kilometrePreferenceConverts()
{
    settings_.values[QString::fromLatin1(DistanceMeasurementKey)] = QStringLiteral("Kilometre");
    QCOMPARE(run({"import", fixture("fuelio_gallons.csv")}), 0);
    QVERIFY(out_.contains("odometer readings converted from miles to kilometres"));
    const auto rows = VehicleLog::Open(storePath())->MileageChronological("Van");
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows.first().CurrentMileage == 50000 * 1.609344);
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
    const QStringList lines = out_.split("\r\n");
    QCOMPARE(lines.value(0),
             QStringLiteral("Kelmot Record,Registration,Date,Current Mileage,Distance "
                            "Unit,Amount,Price Per,Cost,Description,Make,Model,Fuel,"
                            "Engine Capacity,Registration Date,Purchase Date,Removed At"));
    QCOMPARE(lines.value(1), QStringLiteral("Vehicle,AB1,,,,,,,,Mini,One,Petrol,0,,,"));
    QCOMPARE(lines.value(2), QStringLiteral("Mileage,AB1,2024-01-02,500,Mile,0,0,,,,,,,,,"));
    QCOMPARE(lines.value(3),
             QStringLiteral(
                 "Maintenance,AB1,2024-02-03T09:30:00,,,,,12.5,\"Wipers, \"\"new\"\"\",,,,,,,"));
    const QByteArray whole = out_.toUtf8();
    const QString path = QDir(dir_->path()).filePath("out.csv");
    QCOMPARE(run({"export", "--vehicle", "ab1", path}), 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF") + whole);
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
    QVERIFY2(err_.contains("is not a sound Kelmot store"), qPrintable(err_));
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList({"Clio", "LL"}));

    QCOMPARE(run({"restore", copy}), 0);
    QCOMPARE(VehicleLog::Open(storePath())->ListRegistrations(), QStringList{"Clio"});
    QCOMPARE(VehicleLog::Open(storePath() + ".before-restore")->ListRegistrations(),
             QStringList({"Clio", "LL"}));
}

void TestDataTool::exportRemovedRowsLeftOutOnImport()
{
    QCOMPARE(run({"import", fixture("fuelly_metric.csv")}), 0);
    VehicleLog::Open(storePath())
        ->RemoveLatestMileage("Clio", QDateTime(QDate(2024, 4, 1), QTime(10, 0), Qt::UTC));
    QCOMPARE(run({"export", "--removed", "-"}), 0);
    QVERIFY2(out_.contains("\r\nRemoved Mileage,Clio,2024-03-19T18:20:00,"), qPrintable(out_));
    QVERIFY(out_.startsWith("Kelmot Record,") && out_.contains(",Removed At,Reason\r\n"));
    QVERIFY(out_.contains(",2024-04-01T10:00:00,Removed\r\n"));
    const QString path = QDir(dir_->path()).filePath("removed.csv");
    QCOMPARE(run({"export", "--removed", path}), 0);
    const QString other = QDir(dir_->path()).filePath("other.mdb");
    VehicleLog::Create(other);
    QCOMPARE(run({"--store", other, "import", path}), 0);
    QVERIFY(out_.contains("1 removed rows left out\n"));
    QCOMPARE(VehicleLog::Open(other)->MileageChronological("Clio").size(), 1);
}

QTEST_GUILESS_MAIN(TestDataTool)
#include "tst_datatool.moc"
