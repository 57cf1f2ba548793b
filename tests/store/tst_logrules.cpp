#include "EntryChecks.h"
#include "LogRuleWords.h"
#include "LogRules.h"
#include "StoredValues.h"
#include "TestEnvironment.h"

#include <QTest>

namespace {

QDateTime day(int y, int m, int d, int h = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0), Qt::UTC);
}

MileageRow reading(const QDateTime& date, double mileage)
{
    return MileageRow{QStringLiteral("AB12 CDE"), date, mileage, 40, 0.8};
}

} // namespace

class TestLogRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void bounds_data();
    void bounds();
    void future_data();
    void future();
    void registrationKey_data();
    void registrationKey();
    void orderWords_data();
    void orderWords();
    void mergeConflict_data();
    void mergeConflict();
    void entryOrder_data();
    void entryOrder();
};

// Readings in no particular order, as an edit or an import may meet them.
void TestLogRules::bounds_data()
{
    QTest::addColumn<QVector<MileageRow>>("readings");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<qsizetype>("skip");
    QTest::addColumn<double>("mileage");
    QTest::addColumn<double>("lower"); // -1: none
    QTest::addColumn<double>("upper"); // -1: none
    QTest::addColumn<int>("fit");

    const QVector<MileageRow> log{reading(day(2024, 1, 1), 1000), reading(day(2024, 3, 1), 3000),
                                  reading(day(2024, 2, 1), 2000)};
    const int fits = int(LogRules::ReadingFit::Fits);
    const int below = int(LogRules::ReadingFit::BelowEarlier);
    const int above = int(LogRules::ReadingFit::AboveLater);
    QTest::newRow("between two") << log << day(2024, 2, 15) << qsizetype(-1) << 2500. << 2000.
                                 << 3000. << fits;
    QTest::newRow("below the earlier")
        << log << day(2024, 2, 15) << qsizetype(-1) << 1999. << 2000. << 3000. << below;
    QTest::newRow("above the later")
        << log << day(2024, 2, 15) << qsizetype(-1) << 3001. << 2000. << 3000. << above;
    QTest::newRow("before every reading")
        << log << day(2023, 12, 1) << qsizetype(-1) << 10. << -1. << 1000. << fits;
    QTest::newRow("after every reading")
        << log << day(2024, 4, 1) << qsizetype(-1) << 9000. << 3000. << -1. << fits;
    QTest::newRow("the edited row bounds nothing")
        << log << day(2024, 2, 1) << qsizetype(2) << 2900. << 1000. << 3000. << fits;
    QTest::newRow("the same date bounds nothing")
        << log << day(2024, 2, 1) << qsizetype(-1) << 1500. << 1000. << 3000. << fits;
    // A later date holding several readings bounds by its lowest, an earlier by its highest.
    const QVector<MileageRow> busy{reading(day(2024, 1, 1), 1000), reading(day(2024, 1, 1), 1200),
                                   reading(day(2024, 5, 1), 5000), reading(day(2024, 5, 1), 4800)};
    QTest::newRow("later date of several: its lowest")
        << busy << day(2024, 3, 1) << qsizetype(-1) << 4900. << 1200. << 4800. << above;
    QTest::newRow("earlier date of several: its highest")
        << busy << day(2024, 3, 1) << qsizetype(-1) << 1100. << 1200. << 4800. << below;
    QTest::newRow("a time of day orders within a day")
        << QVector<MileageRow>{reading(day(2024, 1, 1, 8), 100), reading(day(2024, 1, 1, 18), 300)}
        << day(2024, 1, 1, 12) << qsizetype(-1) << 200. << 100. << 300. << fits;
}

void TestLogRules::bounds()
{
    QFETCH(QVector<MileageRow>, readings);
    QFETCH(QDateTime, date);
    QFETCH(qsizetype, skip);
    QFETCH(double, mileage);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, fit);

    const LogRules::ReadingBounds bounds = LogRules::BoundsFor(readings, date, skip);
    QCOMPARE(bounds.lower ? bounds.lower->CurrentMileage : -1., lower);
    QCOMPARE(bounds.upper ? bounds.upper->CurrentMileage : -1., upper);
    QCOMPARE(int(LogRules::Fit(bounds, mileage)), fit);

    // Over stored entries, the one left out named by its id.
    QVector<MileageEntry> entries;
    for (qsizetype i = 0; i < readings.size(); ++i)
        entries.append(MileageEntry{100 + i, readings[i]});
    const LogRules::ReadingBounds byId = LogRules::BoundsFor(entries, date, 100 + skip);
    QCOMPARE(byId.lower ? byId.lower->CurrentMileage : -1., lower);
    QCOMPARE(byId.upper ? byId.upper->CurrentMileage : -1., upper);
}

void TestLogRules::future_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<bool>("future");
    QTest::newRow("yesterday") << day(2026, 12, 8) << false;
    QTest::newRow("today at midnight") << day(2026, 12, 9) << false;
    QTest::newRow("today with a time of day") << day(2026, 12, 9, 9) << true;
    QTest::newRow("tomorrow") << day(2026, 12, 10) << true;
}

void TestLogRules::future()
{
    QFETCH(QDateTime, date);
    QFETCH(bool, future);
    QCOMPARE(LogRules::IsFuture(date, QDate(2026, 12, 9)), future);
}

void TestLogRules::registrationKey_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("blanks and case") << "AB12CDE"
                                     << "ab12 cde" << true;
    QTest::newRow("tabs and two spaces") << "AB12\t CDE"
                                         << "AB12CDE" << true;
    QTest::newRow("another plate") << "AB12CDF"
                                   << "AB12 CDE" << false;
    QTest::newRow("a hyphen counts") << "AB-12"
                                     << "AB12" << false;
    QTest::newRow("non-ASCII keeps its case")
        << QString::fromUtf8("Ä1") << QString::fromUtf8("ä1") << false;
}

void TestLogRules::registrationKey()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(StoredValues::RegistrationKey(a) == StoredValues::RegistrationKey(b), same);
}

void TestLogRules::orderWords_data()
{
    QTest::addColumn<QVector<MileageRow>>("readings");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("message");
    const QVector<MileageRow> log{reading(day(2024, 1, 1), 10000),
                                  reading(day(2024, 3, 1), 12345.5)};
    QTest::newRow("between two") << log << day(2024, 2, 1)
                                 << "The entry for 'Current Mileage' must lie between 10000 "
                                    "(01/01/2024) and 12345.5 (01/03/2024)";
    QTest::newRow("a first reading") << log << day(2023, 12, 1)
                                     << "The entry for 'Current Mileage' must be at most 10000 "
                                        "(01/01/2024)";
    QTest::newRow("a last reading, the time of day left out")
        << log << QDateTime(QDate(2024, 4, 1), QTime(9, 30), Qt::UTC)
        << "The entry for 'Current Mileage' must be at least 12345.5 (01/03/2024)";
    QTest::newRow("kilometres stored in miles, to the hundredth")
        << QVector<MileageRow>{reading(day(2024, 3, 1), 3704 / 1.609344)} << day(2024, 4, 1)
        << "The entry for 'Current Mileage' must be at least 2301.56 (01/03/2024)";
}

void TestLogRules::orderWords()
{
    QFETCH(QVector<MileageRow>, readings);
    QFETCH(QDateTime, date);
    QFETCH(QString, message);
    QCOMPARE(LogRuleWords::OrderRuleMessage(LogRules::BoundsFor(readings, date)), message);
}

void TestLogRules::mergeConflict_data()
{
    QTest::addColumn<QVector<MileageRow>>("a");
    QTest::addColumn<QVector<MileageRow>>("b");
    QTest::addColumn<double>("earlier"); // -1: no conflict
    QTest::addColumn<double>("later");
    const QVector<MileageRow> a{reading(day(2024, 1, 1), 100), reading(day(2024, 3, 1), 300)};
    QTest::newRow("interleaving in order")
        << a << QVector<MileageRow>{reading(day(2024, 2, 1), 200), reading(day(2024, 4, 1), 400)}
        << -1. << -1.;
    QTest::newRow("same day, both orders merge")
        << a << QVector<MileageRow>{reading(day(2024, 3, 1), 250), reading(day(2024, 3, 1), 350)}
        << -1. << -1.;
    QTest::newRow("an earlier reading above a later one")
        << a << QVector<MileageRow>{reading(day(2024, 2, 1), 350)} << 350. << 300.;
    QTest::newRow("a later reading below an earlier one")
        << a << QVector<MileageRow>{reading(day(2024, 4, 1), 299)} << 300. << 299.;
    QTest::newRow("the first conflict of several")
        << a << QVector<MileageRow>{reading(day(2023, 12, 1), 150), reading(day(2024, 4, 1), 10)}
        << 150. << 100.;
    QTest::newRow("one list empty") << a << QVector<MileageRow>{} << -1. << -1.;
}

void TestLogRules::mergeConflict()
{
    QFETCH(QVector<MileageRow>, a);
    QFETCH(QVector<MileageRow>, b);
    QFETCH(double, earlier);
    QFETCH(double, later);
    for (const bool swapped : {false, true}) {
        const auto conflict =
            swapped ? LogRules::FirstMergeConflict(b, a) : LogRules::FirstMergeConflict(a, b);
        QCOMPARE(conflict ? conflict->earlier.CurrentMileage : -1., earlier);
        QCOMPARE(conflict ? conflict->later.CurrentMileage : -1., later);
    }
}

// Today 9 Dec 2026; the latest reading 10000 and the latest maintenance entry on 1 Jun 2026;
// "TAKEN" is stored. A "starting" reading is mended from one stored without fuel.
void TestLogRules::entryOrder_data()
{
    using F = EntryChecks::Field;
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<F>("field");
    QTest::newRow("reading: a date before all")
        << "reading" << QStringList{"1/13/2026", "x"}
        << "The entry for 'Date' must be in date format" << F::Date;
    QTest::newRow("reading: before the latest, then the figure")
        << "reading" << QStringList{"01/05/2026", "x"}
        << "The entry for 'Date' is before the most recent entry" << F::Date;
    QTest::newRow("reading: below the latest before below 0")
        << "reading" << QStringList{"01/06/2026", "-1"}
        << "The entry for 'Mileage' is less than the most recent entry" << F::CurrentMileage;
    QTest::newRow("reading: amount before price")
        << "reading" << QStringList{"09/12/2026", "10000", "0", "x"}
        << "The entry for 'Amount' must be a positive Value" << F::Amount;
    QTest::newRow("reading: accepted")
        << "reading" << QStringList{"09/12/2026", "10000", "40", "0.8"} << "" << F::None;
    QTest::newRow("mended: the future before the figure")
        << "mended" << QStringList{"10/12/2026", "x"}
        << "The entry for 'Date' cannot be in the future" << F::Date;
    QTest::newRow("mended: below 0 before the order")
        << "mended" << QStringList{"01/07/2026", "-1"} << LogRuleWords::BelowZeroMessage()
        << F::CurrentMileage;
    QTest::newRow("mended: the order before the amount")
        << "mended" << QStringList{"01/07/2026", "9000", "x"}
        << "The entry for 'Current Mileage' must be at least 10000 (01/06/2026)"
        << F::CurrentMileage;
    QTest::newRow("mended: fuel is asked for")
        << "mended" << QStringList{"01/07/2026", "10000", "0", "0"}
        << "The entry for 'Amount' must be a positive Value" << F::Amount;
    QTest::newRow("starting: keeps no fuel")
        << "starting" << QStringList{"01/07/2026", "10000", "0", "0"} << "" << F::None;
    QTest::newRow("maintenance: the description before the latest date")
        << "maintenance" << QStringList{"01/05/2026", "12", ""} << "Please Enter a Description"
        << F::Description;
    QTest::newRow("maintenance: the latest date last")
        << "maintenance" << QStringList{"01/05/2026", "12", " "}
        << "The entry for 'Date' is before the most recent entry" << F::Date;
    QTest::newRow("vehicle: required before stored")
        << "vehicle" << QStringList{"TAKEN", ""} << "Entry is required in the highlighted fields"
        << F::CurrentMileage;
    QTest::newRow("vehicle: stored, any case, before the figure")
        << "vehicle" << QStringList{" taken ", "x"}
        << "An entry for this 'Vehicle Registration' already exists" << F::VehicleReg;
    QTest::newRow("vehicle: registration date before purchase date")
        << "vehicle" << QStringList{"NEW", "0", "10/12/2026", "x"}
        << "The entry for 'Registration Date' must be in the past" << F::RegistrationDate;
    QTest::newRow("vehicle: capacity of 0")
        << "vehicle" << QStringList{"NEW", "0", "", "09/12/2026", "0"}
        << "The entry for 'Engine Capacity' must be positive" << F::EngineCapacity;
    QTest::newRow("vehicle: empty boxes pass")
        << "vehicle" << QStringList{"NEW", "0", "", "", ""} << "" << F::None;
}

void TestLogRules::entryOrder()
{
    QFETCH(QString, form);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    QFETCH(EntryChecks::Field, field);
    const QDate today(2026, 12, 9);
    const MileageRow latest = reading(day(2026, 6, 1), 10000);
    const auto date = [&] { return EntryChecks::DateFromText(texts.value(0)); };
    const auto number = [&](int i) { return EntryChecks::NumberFromText(texts.value(i)); };
    const EntryChecks::TypedReading typed{date(), number(1), number(2), number(3)};
    EntryChecks::Result refusal;
    if (form == QLatin1String("reading"))
        refusal = EntryChecks::NewReading(typed, today, &latest);
    else if (form == QLatin1String("maintenance"))
        refusal = EntryChecks::Maintenance({date(), number(1), texts.value(2)}, today, latest.Date);
    else if (form == QLatin1String("vehicle"))
        refusal = EntryChecks::NewVehicle(
            {texts.value(0).trimmed(), number(1), EntryChecks::DateFromText(texts.value(2)),
             EntryChecks::DateFromText(texts.value(3)), number(4)},
            today, [](const QString& r) { return StoredValues::SameRegistration(r, "TAKEN"); });
    else
        refusal = EntryChecks::MendedReading(
            typed, today,
            [&](const QDateTime& d) { return LogRules::BoundsFor(QVector{latest}, d); },
            form == QLatin1String("starting"));
    QCOMPARE(refusal ? refusal->message : QString(), message);
    QCOMPARE(refusal ? refusal->field : EntryChecks::Field::None, field);
}

QTEST_GUILESS_MAIN(TestLogRules)
#include "tst_logrules.moc"
