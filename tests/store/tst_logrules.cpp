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

QTEST_GUILESS_MAIN(TestLogRules)
#include "tst_logrules.moc"
