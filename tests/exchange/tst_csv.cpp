#include "Csv.h"
#include "FileValues.h"
#include "FormulaGuard.h"
#include "TestEnvironment.h"

#include <QtTest>

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void records_data();
    void records();
    void writtenFieldsReadBack_data();
    void writtenFieldsReadBack();
    void formulaGuardReadsBack_data();
    void formulaGuardReadsBack();
    void numbers_data();
    void numbers();
    void dates_data();
    void dates();
    void exactNumbersReadBack_data();
    void exactNumbersReadBack();
};

Q_DECLARE_METATYPE(DayOrder)

void TestCsv::records_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records"); // fields joined by "|", then "@line", "!" if cut off
    QTest::newRow("LF") << "a,b\nc,d\n" << QStringList{"a|b@1", "c|d@2"};
    QTest::newRow("CRLF and no final break") << "a,b\r\nc,d" << QStringList{"a|b@1", "c|d@2"};
    QTest::newRow("quoted separator and doubled quote") << "\"x,y\",\"say \"\"hi\"\"\"\n"
                                                        << QStringList{"x,y|say \"hi\"@1"};
    QTest::newRow("line break inside quotes counts physical lines")
        << "\"one\r\ntwo\",3\nnext,4\n"
        << QStringList{"one\r\ntwo|3@1", "next|4@3"};
    QTest::newRow("empty fields") << ",,\n" << QStringList{"||@1"};
    QTest::newRow("blank line kept as a record") << "a\n\nb\n" << QStringList{"a@1", "@2", "b@3"};
    QTest::newRow("cut off inside quotes") << "a,\"open\nstill" << QStringList{"a|open\nstill@1!"};
}

void TestCsv::records()
{
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QStringList got;
    for (const CsvRecord& r : ReadCsv(text))
        got << r.fields().join(QLatin1Char('|')) + QLatin1Char('@') + QString::number(r.line) +
                   (r.cutOff ? QStringLiteral("!") : QString());
    QCOMPARE(got, records);
}

void TestCsv::writtenFieldsReadBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "plain";
    QTest::newRow("comma") << "a,b";
    QTest::newRow("quotes") << "\"quoted\" \"\"twice\"\"";
    QTest::newRow("CRLF") << "one\r\ntwo";
    QTest::newRow("lone LF and blanks") << "  one\ntwo  ";
    QTest::newRow("empty") << "";
}

void TestCsv::writtenFieldsReadBack()
{
    QFETCH(QString, value);
    const QString line =
        CsvField(value) + QLatin1Char(',') + CsvField(value) + QLatin1String("\r\n");
    const auto records = ReadCsv(line);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().fields(), QStringList({value, value}));
}

void TestCsv::formulaGuardReadsBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("guarded");
    QTest::newRow("formula") << "=1+1"
                             << "'=1+1";
    QTest::newRow("apostrophe and formula") << "'=1+1"
                                            << "''=1+1";
    QTest::newRow("apostrophes and tab") << "''\tx"
                                         << "'''\tx";
    QTest::newRow("apostrophe and text") << "'tis"
                                         << "'tis";
    QTest::newRow("apostrophes alone") << "''"
                                       << "''";
    QTest::newRow("sign later") << "a=b"
                                << "a=b";
    QTest::newRow("empty") << ""
                           << "";
}

// The export writes the guarded form; the Kelmot reader must give back exactly the text.
void TestCsv::formulaGuardReadsBack()
{
    QFETCH(QString, text);
    QFETCH(QString, guarded);
    QCOMPARE(GuardFormula(text), guarded);
    QCOMPARE(UnguardFormula(guarded), text);
}

void TestCsv::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("dollar price") << "$3.969" << QChar('.') << true << 3.969;
    QTest::newRow("thousands commas") << "106,421" << QChar('.') << true << 106421.0;
    QTest::newRow("decimal comma, dot thousands") << "15.912,5" << QChar(',') << true << 15912.5;
    QTest::newRow("euro after") << "70,10 €" << QChar(',') << true << 70.1;
    QTest::newRow("currency code before") << "EUR 12,50" << QChar(',') << true << 12.5;
    QTest::newRow("negative") << "-5" << QChar('.') << true << -5.0;
    QTest::newRow("plain decimal comma") << "-12,5" << QChar(',') << true << -12.5;
    QTest::newRow("a minus alone") << "-" << QChar('.') << false << 0.0;
    QTest::newRow("letters") << "abc" << QChar('.') << false << 0.0;
    QTest::newRow("digits and a word") << "12 km" << QChar('.') << false << 0.0;
    QTest::newRow("two numbers") << "12 34" << QChar('.') << false << 0.0;
    QTest::newRow("two decimal marks") << "1.2.3" << QChar('.') << false << 0.0;
    QTest::newRow("sign in the middle") << "1-2" << QChar('.') << false << 0.0;
}

void TestCsv::numbers()
{
    QFETCH(QString, text);
    QFETCH(QChar, decimal);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const auto got = FileNumber(text, decimal);
    QCOMPARE(got.has_value(), valid);
    if (valid)
        QVERIFY2(*got == value, qPrintable(QString::number(*got, 'g', 17)));
}

void TestCsv::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<DayOrder>("order");
    QTest::addColumn<QString>("stored"); // empty: not a date
    QTest::newRow("ISO with minutes")
        << "2024-01-05 08:30" << DayOrder::YearFirst << "2024-01-05T08:30:00";
    QTest::newRow("ISO with T and seconds")
        << "2024-01-05T08:30:15" << DayOrder::YearFirst << "2024-01-05T08:30:15";
    QTest::newRow("US, one-digit parts")
        << "1/4/2024 7:05" << DayOrder::MonthFirst << "2024-01-04T07:05:00";
    QTest::newRow("US with PM") << "1/4/2024 7:05 PM" << DayOrder::MonthFirst
                                << "2024-01-04T19:05:00";
    QTest::newRow("12 AM is midnight")
        << "1/4/2024 12:10 AM" << DayOrder::MonthFirst << "2024-01-04T00:10:00";
    QTest::newRow("German") << "18.01.2024" << DayOrder::DayFirst << "2024-01-18";
    QTest::newRow("two-digit year") << "18.01.24" << DayOrder::DayFirst << "2024-01-18";
    QTest::newRow("no 30 February") << "30.02.2024" << DayOrder::DayFirst << "";
    QTest::newRow("month first read day first") << "01/17/2024" << DayOrder::DayFirst << "";
    QTest::newRow("hour 25") << "2024-01-05 25:00" << DayOrder::YearFirst << "";
    QTest::newRow("words") << "yesterday" << DayOrder::YearFirst << "";
    QTest::newRow("date only half") << "2024-01" << DayOrder::YearFirst << "";
    QTest::newRow("a sign before the year") << "-001-01-01" << DayOrder::DayFirst << "";
    QTest::newRow("a three-digit day") << "020-03-04T10:00:00" << DayOrder::DayFirst << "";
}

void TestCsv::dates()
{
    QFETCH(QString, text);
    QFETCH(DayOrder, order);
    QFETCH(QString, stored);
    const auto got = FileDate(text, order);
    QCOMPARE(got.has_value(), !stored.isEmpty());
    if (got)
        QCOMPARE(StoredDateText(*got), stored);
}

void TestCsv::exactNumbersReadBack_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("0.1+0.2") << 0.1 + 0.2;
    QTest::newRow("third") << 1.0 / 3;
    QTest::newRow("tiny") << 2.5e-7;
    QTest::newRow("large with fraction") << 1e7 + 0.25;
    QTest::newRow("negative") << -12.75;
    QTest::newRow("whole") << 106421.0;
}

void TestCsv::exactNumbersReadBack()
{
    QFETCH(double, value);
    const QString text = ExactNumber(value);
    QVERIFY(!text.contains(QLatin1Char('e')));
    const auto back = FileNumber(text);
    QVERIFY(back.has_value());
    QVERIFY2(*back == value, qPrintable(text));
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
