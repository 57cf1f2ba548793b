#include "TestEnvironment.h"
#include "TextConversions.h"

#include <QtTest>
#include <cfenv>
#include <cmath>
#include <limits>

class TestTextConversions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void dates_data();
    void dates();
    void dateToText_data();
    void dateToText();
    void numbers_data();
    void numbers();
    void leadingNumber_data();
    void leadingNumber();
    void rounding_data();
    void rounding();
    void roundingMatchesToNearestInEveryMode();
    void fifteenDigits_data();
    void fifteenDigits();
    void plainNumber_data();
    void plainNumber();
    void plainNumberOfADifference_data();
    void plainNumberOfADifference();
    void distanceText_data();
    void distanceText();
    void germanSeparators_data();
    void germanSeparators();
    void noDateIsFirstJanuary1900();
    void monthFirstLocaleReadsMonthFirst();
};

void TestTextConversions::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isDate");
    QTest::addColumn<QDateTime>("value");
    auto at = [](int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC);
    };
    QTest::newRow("day first with slashes") << "05/03/2002" << true << at(2002, 3, 5);
    QTest::newRow("one-digit day and month") << "5/3/2002" << true << at(2002, 3, 5);
    QTest::newRow("dashes") << "05-03-2002" << true << at(2002, 3, 5);
    QTest::newRow("dots") << "05.03.2002" << true << at(2002, 3, 5);
    QTest::newRow("two-digit year 29 is 2029") << "1/1/29" << true << at(2029, 1, 1);
    QTest::newRow("two-digit year 30 is 1930") << "1/1/30" << true << at(1930, 1, 1);
    QTest::newRow("two-digit year 00 is 2000") << "31/12/00" << true << at(2000, 12, 31);
    QTest::newRow("ISO date") << "2002-03-05" << true << at(2002, 3, 5);
    QTest::newRow("ISO date-time as stored")
        << "2002-03-05T14:30:00" << true << at(2002, 3, 5, 14, 30);
    QTest::newRow("time H:mm") << "05/03/2002 9:05" << true << at(2002, 3, 5, 9, 5);
    QTest::newRow("time H:mm:ss") << "05/03/2002 23:59:59" << true << at(2002, 3, 5, 23, 59, 59);
    QTest::newRow("surrounding blanks") << "  05/03/2002  " << true << at(2002, 3, 5);
    QTest::newRow("leap day") << "29/02/2000" << true << at(2000, 2, 29);
    QTest::newRow("31 February refused") << "31/02/2001" << false << QDateTime();
    QTest::newRow("29 February in a common year refused") << "29/02/2001" << false << QDateTime();
    QTest::newRow("month 13 refused") << "01/13/2001" << false << QDateTime();
    QTest::newRow("day 0 refused") << "00/01/2001" << false << QDateTime();
    QTest::newRow("empty text") << "" << false << QDateTime();
    QTest::newRow("blanks only") << "   " << false << QDateTime();
    QTest::newRow("letters") << "yesterday" << false << QDateTime();
    QTest::newRow("mixed separators") << "05/03-2002" << false << QDateTime();
    QTest::newRow("two parts") << "05/03" << false << QDateTime();
    QTest::newRow("three-digit year") << "05/03/200" << false << QDateTime();
    QTest::newRow("hour 24 refused") << "05/03/2002 24:00" << false << QDateTime();
    QTest::newRow("trailing garbage") << "05/03/2002 x" << false << QDateTime();
    QTest::newRow("a number") << "1234" << false << QDateTime();
}

void TestTextConversions::dates()
{
    QFETCH(QString, text);
    QFETCH(bool, isDate);
    QFETCH(QDateTime, value);
    QCOMPARE(IsDateText(text), isDate);
    QCOMPARE(TextToDate(text), value);
}

void TestTextConversions::dateToText_data()
{
    QTest::addColumn<QDateTime>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("short date") << AtMidnight(QDate(2002, 3, 5)) << "05/03/2002";
    QTest::newRow("time of day shown")
        << QDateTime(QDate(2002, 3, 5), QTime(14, 30), Qt::UTC) << "05/03/2002 14:30:00";
    QTest::newRow("no date") << NoDate() << "01/01/1900";
}

void TestTextConversions::dateToText()
{
    QFETCH(QDateTime, value);
    QFETCH(QString, text);
    QCOMPARE(DateToText(value), text);
    QCOMPARE(TextToDate(DateToText(value)), value); // reads back unchanged
}

void TestTextConversions::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "1500" << true << 1500.0;
    QTest::newRow("thousands separator skipped") << "1,234" << true << 1234.0;
    QTest::newRow("decimals") << "0.80" << true << 0.8;
    QTest::newRow("grouped with decimals") << "12,345.67" << true << 12345.67;
    QTest::newRow("negative") << "-5" << true << -5.0;
    QTest::newRow("plus sign") << "+5" << true << 5.0;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("surrounding blanks") << "  42  " << true << 42.0;
    QTest::newRow("leading decimal point") << ".5" << true << 0.5;
    QTest::newRow("default money text") << "0.00" << true << 0.0;
    QTest::newRow("odometer default") << "00000" << true << 0.0;
    QTest::newRow("empty text") << "" << false << qQNaN();
    QTest::newRow("letters") << "abc" << false << qQNaN();
    QTest::newRow("trailing letters") << "12abc" << false << qQNaN();
    QTest::newRow("two decimal points") << "1.2.3" << false << qQNaN();
    QTest::newRow("sign alone") << "-" << false << qQNaN();
    QTest::newRow("dangling exponent") << "1e" << false << qQNaN();
    QTest::newRow("leading separator") << ",123" << false << qQNaN();
    QTest::newRow("blank inside") << "1 234" << false << qQNaN();
    QTest::newRow("groups of three") << "11,000" << true << 11000.0;
    QTest::newRow("two separators") << "1,234,567" << true << 1234567.0;
    QTest::newRow("grouped money") << "1,040.00" << true << 1040.0;
    QTest::newRow("negative grouped") << "-1,234" << true << -1234.0;
    QTest::newRow("comma as decimal point refused") << "40,00" << false << qQNaN();
    QTest::newRow("one digit after separator refused") << "1,6" << false << qQNaN();
    QTest::newRow("two digits after separator refused") << "1,23" << false << qQNaN();
    QTest::newRow("four digits after separator refused") << "1,2345" << false << qQNaN();
    QTest::newRow("uneven groups refused") << "12,5,0" << false << qQNaN();
    QTest::newRow("four digits before separator refused") << "1234,567" << false << qQNaN();
    QTest::newRow("separator in the decimals refused") << "1.234,5" << false << qQNaN();
    QTest::newRow("separator before the point refused") << "12,.5" << false << qQNaN();
    QTest::newRow("overflow to infinity refused") << "1e400" << false << qQNaN();
    QTest::newRow("negative overflow refused") << "-1e400" << false << qQNaN();
    QTest::newRow("largest double") << "1.7976931348623157e308" << true << 1.7976931348623157e308;
    QTest::newRow("underflow reads as zero") << "1e-400" << true << 0.0;
}

void TestTextConversions::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    QCOMPARE(IsNumericText(text), numeric);
    const double got = TextToNumber(text);
    if (numeric)
        QCOMPARE(got, value);
    else
        QVERIFY(std::isnan(got));
}

void TestTextConversions::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("stops at the comma") << "1,234" << 1.0;
    QTest::newRow("plain number") << "812.5" << 812.5;
    QTest::newRow("blanks skipped anywhere") << " 1 2 3" << 123.0;
    QTest::newRow("stops at a letter") << "12abc" << 12.0;
    QTest::newRow("not a number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("negative") << "-42" << -42.0;
    QTest::newRow("exponent") << "2e3" << 2000.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("leading zeros") << "000123" << 123.0;
    QTest::newRow("fifteen digits exactly") << "123456789012345" << 123456789012345.0;
    QTest::newRow("sixteen digits") << "1234567890123456" << 1234567890123456.0;
    QTest::newRow("negative fifteen digits") << "-999999999999999" << -999999999999999.0;
    QTest::newRow("a minus alone") << "-" << 0.0;
    QTest::newRow("trailing blank") << "12 " << 12.0;
}

void TestTextConversions::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(LeadingNumber(text), value);
}

void TestTextConversions::rounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("even");
    QTest::addColumn<double>("away");
    QTest::newRow("287.5 up to even") << 287.5 << 288.0 << 288.0;
    QTest::newRow("12.5 down to even") << 12.5 << 12.0 << 13.0;
    QTest::newRow("296.5") << 296.5 << 296.0 << 297.0;
    QTest::newRow("62.5") << 62.5 << 62.0 << 63.0;
    QTest::newRow("negative half") << -2.5 << -2.0 << -3.0;
    QTest::newRow("not a half") << 21.82 << 22.0 << 22.0;
    QTest::newRow("negative half down to even") << -3.5 << -4.0 << -4.0;
    QTest::newRow("just below a half") << 0.49999999999999994 << 0.0 << 0.0;
    QTest::newRow("half below 2^52")
        << 4503599627370495.5 << 4503599627370496.0 << 4503599627370496.0;
    QTest::newRow("beyond 2^52") << 9007199254740993.0 << 9007199254740993.0 << 9007199254740993.0;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<double>::infinity();
}

void TestTextConversions::rounding()
{
    QFETCH(double, value);
    QFETCH(double, even);
    QFETCH(double, away);
    QCOMPARE(RoundHalfEven(value), even);
    QCOMPARE(RoundHalfAway(value), away);
}

void TestTextConversions::fifteenDigits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("a product's noise") << 18.895 * 1.402 << 26.49079;
    QTest::newRow("price times volume") << 23.987 * 1.599 << 38.355213;
    QTest::newRow("km to miles keeps 15 digits") << 98214 / 1.609344 << 61027.3502743975;
    QTest::newRow("miles to km") << 94865 * 1.609344 << 152670.41856;
    QTest::newRow("already short") << 0.1 << 0.1;
    QTest::newRow("fifteen digits kept") << 123456789.012345 << 123456789.012345;
    QTest::newRow("a tiny price") << 2.5e-5 / 3 << 8.33333333333333e-6;
    QTest::newRow("negative") << -(0.1 + 0.2) << -0.3;
    QTest::newRow("zero") << 0.0 << 0.0;
    QTest::newRow("whole and huge") << 1e300 << 1e300;
}

void TestTextConversions::fifteenDigits()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(QString::number(RoundToFifteenDigits(value), 'g', 17),
             QString::number(expected, 'g', 17));
}

// Whatever rounding mode is set, halves go to even exactly as the to-nearest mode rounds them,
// signed zeros and NaN included.
void TestTextConversions::roundingMatchesToNearestInEveryMode()
{
    QVector<double> values;
    for (double base : {0.0, 1.0, 2.0, 287.0, 1e6, 1e12, 4503599627370494.0})
        for (double offset : {0.0, 0.25, 0.5, 0.75, 1.5, 0.49999999999999994})
            values << base + offset << -(base + offset);
    values << std::numeric_limits<double>::quiet_NaN() << -0.4 << 1e300 << -1e300;
    const int saved = std::fegetround();
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        for (double value : values) {
            std::fesetround(FE_TONEAREST);
            const double expected = std::nearbyint(value);
            std::fesetround(mode);
            const double rounded = RoundHalfEven(value);
            std::fesetround(saved);
            if (std::isnan(expected)) {
                QVERIFY(std::isnan(rounded));
                continue;
            }
            QVERIFY2(rounded == expected && std::signbit(rounded) == std::signbit(expected),
                     qPrintable(QStringLiteral("%1 in mode %2").arg(value, 0, 'g', 17).arg(mode)));
        }
    }
}

void TestTextConversions::plainNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 800.0 << "800";
    QTest::newRow("fraction") << 812.5 << "812.5";
    QTest::newRow("no grouping") << 1234567.0 << "1234567";
    QTest::newRow("negative") << -300.0 << "-300";
    QTest::newRow("minus one") << -1.0 << "-1";
    QTest::newRow("largest quick whole") << 999999999999999.0 << "999999999999999";
    QTest::newRow("ten to the fifteenth") << 1e15 << "1000000000000000";
    QTest::newRow("negative fifteen digits") << -123456789012345.0 << "-123456789012345";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("large, no exponent") << 1e22 << "10000000000000000000000";
    QTest::newRow("sum of tenths") << 0.1 + 0.2 << "0.3";
    QTest::newRow("small, no exponent") << 0.0000125 << "0.0000125";
    QTest::newRow("fifteen digits kept") << 1234567.89012345 << "1234567.89012345";
    QTest::newRow("sixteenth digit rounded") << 0.1234567890123456 << "0.123456789012346";
    QTest::newRow("rounds up to a whole") << 999.9999999999999 << "1000";
    QTest::newRow("tiny negative is not -0") << -1e-20 << "-0.00000000000000000001";
}

void TestTextConversions::plainNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(PlainNumber(value), text);
    QVERIFY(!text.contains(u'e'));
    // Reads back as the value to within the 15 digits written.
    QVERIFY(std::fabs(LeadingNumber(text) - value) <= std::fabs(value) * 1e-14);
}

void TestTextConversions::plainNumberOfADifference_data()
{
    QTest::addColumn<double>("larger");
    QTest::addColumn<double>("smaller");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal readings") << 10400.3 << 10000.1 << "400.2";
    QTest::newRow("six-figure readings") << 123456.7 << 123000.1 << "456.6";
    QTest::newRow("reversed") << 10000.1 << 10400.3 << "-400.2";
    QTest::newRow("equal") << 10400.3 << 10400.3 << "0";
    QTest::newRow("hundredths") << 99999.99 << 99000.01 << "999.98";
}

// A difference of readings shows as a decimal calculator would give it.
void TestTextConversions::plainNumberOfADifference()
{
    QFETCH(double, larger);
    QFETCH(double, smaller);
    QFETCH(QString, text);
    QCOMPARE(PlainNumber(larger - smaller, std::fmax(larger, smaller)), text);
}

void TestTextConversions::distanceText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("km converted to miles") << "en_GB" << 558.0 / 1.609344 << "346.73";
    QTest::newRow("trailing zero dropped") << "en_GB" << 812.50 << "812.5";
    QTest::newRow("rounds up to a whole") << "en_GB" << 99.996 << "100";
    QTest::newRow("negative") << "en_GB" << -300.004 << "-300";
    QTest::newRow("tiny negative is not -0") << "en_GB" << -0.001 << "0";
    QTest::newRow("large, no exponent") << "en_GB" << 1e22 << "10000000000000000000000";
    QTest::newRow("decimal comma, no grouping") << "de_DE" << 12345.678 << "12345,68";
}

// The text shown reads back, in the same locale, as the value an import keeps.
void TestTextConversions::distanceText()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, text);
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const QString shown = DistanceToText(value);
    const double readBack = TextToNumber(shown);
    QLocale::setDefault(saved);
    QCOMPARE(shown, text);
    QCOMPARE(readBack, RoundToHundredths(value));
}

void TestTextConversions::germanSeparators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal comma") << "12,50" << true << 12.5;
    QTest::newRow("grouped with decimals") << "1.234,5" << true << 1234.5;
    QTest::newRow("point as decimal point refused") << "12.50" << false << qQNaN();
    QTest::newRow("short group refused") << "1.6" << false << qQNaN();
}

void TestTextConversions::germanSeparators()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool got = IsNumericText(text);
    const double number = TextToNumber(text);
    QLocale::setDefault(saved);
    QCOMPARE(got, numeric);
    if (numeric)
        QCOMPARE(number, value);
    else
        QVERIFY(std::isnan(number));
}

void TestTextConversions::noDateIsFirstJanuary1900()
{
    QCOMPARE(NoDate().date(), QDate(1900, 1, 1));
    QVERIFY(IsNoDate(TextToDate(QStringLiteral("01/01/1900"))));
    QVERIFY(!IsNoDate(TextToDate(QStringLiteral("02/01/1900"))));
}

void TestTextConversions::monthFirstLocaleReadsMonthFirst()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime value = TextToDate(QStringLiteral("3/5/2002"));
    QLocale::setDefault(saved);
    QCOMPARE(value.date(), QDate(2002, 3, 5));
}

QTEST_GUILESS_MAIN(TestTextConversions)
#include "tst_textconversions.moc"
