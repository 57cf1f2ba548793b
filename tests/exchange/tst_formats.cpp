#include "ExchangeTestRows.h"
#include "FileFormats.h"
#include "ReadImport.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QStringEncoder>
#include <QtTest>

// The readers against the export samples of other programs, row by row as read: before any
// rule of the log (conversions, order of readings, repeats) is applied.

namespace {

QByteArray sample(const char* name)
{
    QFile file(QStringLiteral(KELMOT_FORMATS "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", name);
    return file.readAll();
}

QString unitText(FileDistance d)
{
    return d == FileDistance::Kilometres ? QStringLiteral("km")
           : d == FileDistance::Miles    ? QStringLiteral("mi")
                                         : QStringLiteral("log");
}

// Everything a read gives, one line per vehicle, row, refusal and note.
QStringList readText(const ImportFile& f)
{
    QStringList out{QStringLiteral("F ") + f.format};
    for (const auto& v : f.vehicles)
        out << QStringLiteral("V %1|%2|%3").arg(v.key, v.name, v.plate);
    for (const auto& r : f.readings)
        out << QStringLiteral("R %1|%2|%3|%4 %5|%6|%7")
                   .arg(r.line)
                   .arg(r.vehicleKey, StoredDateText(r.date), exact(r.odometer),
                        unitText(r.distance), exact(r.amount), exact(r.pricePerLitre));
    for (const auto& m : f.maintenance)
        out << QStringLiteral("M %1|%2|%3|%4|%5")
                   .arg(m.line)
                   .arg(m.vehicleKey, StoredDateText(m.date), exact(m.cost), m.description);
    // The lines of partial fills, of fills after a missed one, and of costs not of the kind Other.
    QStringList fills[2], kinds;
    for (const auto& r : f.readings)
        for (const int i : {0, 1})
            if (i ? r.fill.missedBefore : r.fill.partial)
                fills[i] << QString::number(r.line);
    if (!fills[0].isEmpty() || !fills[1].isEmpty())
        out << QStringLiteral("P %1 X %2").arg(fills[0].join(',')).arg(fills[1].join(','));
    for (const auto& m : f.maintenance)
        if (m.category != CostCategory::Other)
            kinds << QStringLiteral("%1 %2").arg(m.line).arg(m.category);
    if (!kinds.isEmpty())
        out << QStringLiteral("K ") + kinds.join(',');
    for (const auto& r : f.reminders)
        out << QStringLiteral("A %1|%2|%3|%4|%5|%6|%7")
                   .arg(r.line)
                   .arg(r.vehicleKey, r.title,
                        r.dueDate.isValid() ? StoredDateText(r.dueDate) : QString(),
                        exact(r.dueOdometer), QString::number(r.everyMonths),
                        exact(r.everyDistance));
    for (const auto& b : f.broken)
        out << QStringLiteral("B %1|%2|%3").arg(b.line).arg(b.vehicleKey, b.reason);
    if (f.dateOrder != DateOrder::Unknown)
        out << QStringLiteral("D %1@%2")
                   .arg(f.dateOrder == DateOrder::DayFirst ? "dmy" : "mdy")
                   .arg(f.dateOrderLine);
    if (f.dateOrderUndecided) {
        QStringList lines;
        for (int l : f.undecidedDateLines)
            lines << QString::number(l);
        out << QStringLiteral("U ") + lines.join(QLatin1Char(','));
    }
    for (const QString& n : f.notes)
        out << QStringLiteral("N ") + n;
    for (auto it = f.vehicleNotes.begin(); it != f.vehicleNotes.end(); ++it)
        for (const QString& n : it.value())
            out << QStringLiteral("N %1: %2").arg(it.key(), n);
    return out;
}

QString D(const char* date)
{
    return StoredDateText(*FileDate(QString::fromLatin1(date), DayOrder::YearFirst));
}

// A fill-up priced per unit with no total: amount = unit price x volume.
QString perUnit(int line, const QString& key, const char* date, double odo, const char* unit,
                double volume, double price, double litresPerUnit)
{
    return QStringLiteral("R %1|%2|%3|%4 %5|%6|%7")
        .arg(line)
        .arg(key, D(date), exact(odo), QLatin1String(unit), exact(price * volume),
             exact(price / litresPerUnit));
}

// A fill-up with the total paid and a unit price.
QString paid(int line, const QString& key, const char* date, double odo, const char* unit,
             double total, double price, double litresPerUnit)
{
    return QStringLiteral("R %1|%2|%3|%4 %5|%6|%7")
        .arg(line)
        .arg(key, D(date), exact(odo), QLatin1String(unit), exact(total),
             exact(price / litresPerUnit));
}

// A fill-up with only the total: price per litre = total / litres.
QString totalOnly(int line, const QString& key, const char* date, double odo, const char* unit,
                  double total, double litres)
{
    return QStringLiteral("R %1|%2|%3|%4 %5|%6|%7")
        .arg(line)
        .arg(key, D(date), exact(odo), QLatin1String(unit), exact(total),
             exact(litres > 0 ? total / litres : 0));
}

QString cost(int line, const QString& key, const char* date, double value,
             const QString& description)
{
    return QStringLiteral("M %1|%2|%3|%4|%5")
        .arg(line)
        .arg(key, D(date), exact(value), description);
}

QString reminder(int line, const QString& key, const QString& title, const char* date, double odo,
                 int months = 0, double every = 0)
{
    return QStringLiteral("A %1|%2|%3|%4|%5|%6|%7")
        .arg(line)
        .arg(key, title, *date ? D(date) : QString(), exact(odo), QString::number(months),
             exact(every));
}

QString broken(int line, const QString& key, const QString& reason)
{
    return QStringLiteral("B %1|%2|%3").arg(line).arg(key, reason);
}

const QString usPrices = QStringLiteral(
    "prices per US gallon converted to per litre (1 US gallon = 3.785411784 litres)");
const QString usGallons =
    QStringLiteral("N gallons read as US gallons: the file does not say which");
const QString currency = QStringLiteral("N currency signs read away from money figures");
const QString thousands = QStringLiteral("N thousands separators read away from figures");
const QString noUnits = QStringLiteral("the file states no units: readings taken in the log's "
                                       "own distance unit, fuel as %1");
const QString kg = QStringLiteral("fuel measured in kg cannot be stored as litres");

QString decided(const char* order, int line, const char* text)
{
    return QStringLiteral("N dates read %1, as line %2 (%3) shows")
        .arg(QLatin1String(order))
        .arg(line)
        .arg(QLatin1String(text));
}
const char* const dmy = "day first (day/month/year)";
const char* const mdy = "month first (month/day/year)";

// Latin-1 text with the euro sign and the en dash as Windows-1252 writes them.
QByteArray windows1252(const QByteArray& utf8)
{
    QString text = QString::fromUtf8(utf8);
    text.replace(QChar(0x20AC), QChar(0x80)).replace(QChar(0x2013), QChar(0x96));
    QStringEncoder encoder(QStringEncoder::Latin1);
    return encoder(text);
}

QByteArray utf16(const QByteArray& utf8)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(QString::fromUtf8(utf8));
}

} // namespace

Q_DECLARE_METATYPE(DateOrder)
Q_DECLARE_METATYPE(VolumeUnit)

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void reads_data();
    void reads();
};

void TestFormats::reads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("format");
    QTest::addColumn<DateOrder>("order");
    QTest::addColumn<VolumeUnit>("volume");
    QTest::addColumn<QStringList>("expected"); // readText, or "error: " and the message
    const DateOrder any = DateOrder::Unknown;
    const VolumeUnit litre = VolumeUnit::Litre;

    const QString fabia = QStringLiteral("Fabia 2012");
    QTest::newRow("fuelly metric, ISO dates, newest first")
        << sample("fuelly-iso-dates-km.csv") << "" << any << litre
        << QStringList{"F fuelly",
                       "V Fabia 2012|Fabia 2012|",
                       perUnit(2, fabia, "2021-06-21", 102058, "km", 30.512, 1.669, 1),
                       perUnit(3, fabia, "2021-06-05", 101500, "km", 23.9, 1.639, 1),
                       perUnit(4, fabia, "2021-05-30", 101046, "km", 29.35, 1.649, 1),
                       perUnit(5, fabia, "2021-05-08", 100491, "km", 27.642, 1.619, 1),
                       perUnit(6, fabia, "2021-04-24", 99977, "km", 23.987, 1.599, 1),
                       perUnit(7, fabia, "2021-04-11", 99519, "km", 12.505, 1.629, 1),
                       perUnit(8, fabia, "2021-04-02", 99280, "km", 28.114, 1.609, 1),
                       perUnit(9, fabia, "2021-03-19", 98752, "km", 29.871, 1.579, 1),
                       perUnit(10, fabia, "2021-03-06", 98214, "km", 31.406, 1.559, 1),
                       "P 7 X "};

    const QString wagon = QStringLiteral("wagon");
    const double us = LitresPerUsGallon;
    QTest::newRow("fuelly US, an entry made twice read twice")
        << sample("fuelly-iso-dates-miles.csv") << "" << any << litre
        << QStringList{"F fuelly",
                       "V wagon|wagon|",
                       perUnit(2, wagon, "2015-04-29", 42570, "mi", 13.74, 2.57, us),
                       perUnit(3, wagon, "2015-04-16", 42222, "mi", 14.2, 2.6, us),
                       perUnit(4, wagon, "2015-04-02", 41871, "mi", 12.96, 2.55, us),
                       perUnit(5, wagon, "2015-03-20", 41560, "mi", 14.11, 2.49, us),
                       perUnit(6, wagon, "2015-03-09", 41195, "mi", 12.44, 2.45, us),
                       perUnit(7, wagon, "2015-03-09", 41195, "mi", 12.44, 2.45, us),
                       perUnit(8, wagon, "2015-02-27", 40879, "mi", 13.05, 2.39, us),
                       perUnit(9, wagon, "2015-02-14", 40561, "mi", 13.87, 2.25, us),
                       perUnit(10, wagon, "2015-02-03", 40218, "mi", 15.62, 2.19, us),
                       usGallons,
                       "N wagon: " + usPrices};

    const QString fit = QStringLiteral("Fit Sport");
    QTest::newRow("fuelly re-saved: CR line ends, M/d/yy decided by line 3")
        << sample("fuelly-month-first-short-year-cr.csv") << "" << any << litre
        << QStringList{"F fuelly",
                       "V Fit Sport|Fit Sport|",
                       perUnit(2, fit, "2016-01-05", 2871, "mi", 8.44, 1.889, us),
                       perUnit(3, fit, "2015-12-19", 2583, "mi", 8.93, 2.049, us),
                       perUnit(4, fit, "2015-12-07", 2290, "mi", 8.6, 1.999, us),
                       perUnit(5, fit, "2015-12-01", 2005, "mi", 8.77, 2.019, us),
                       perUnit(6, fit, "2015-11-12", 1461, "mi", 8.31, 2.089, us),
                       perUnit(7, fit, "2015-11-02", 1188, "mi", 9.41, 2.149, us),
                       perUnit(8, fit, "2015-10-26", 874, "mi", 8.02, 2.199, us),
                       perUnit(9, fit, "2015-10-17", 601, "mi", 8.67, 2.259, us),
                       perUnit(10, fit, "2015-10-09", 312, "mi", 8.14, 2.399, us),
                       perUnit(11, fit, "2015-10-04", 35, "mi", 9.2, 0, us),
                       "P 8 X 5",
                       "D mdy@3",
                       usGallons,
                       decided(mdy, 3, "12/19/15"),
                       "N Fit Sport: " + usPrices};

    const QString corolla = QStringLiteral("2006 Toyota Corolla CE");
    const QString escape = QStringLiteral("2008 Ford Escape XLT");
    QTest::newRow("fuelly cut to 7 columns, MM-dd-yyyy, two vehicles")
        << sample("fuelly-trimmed-columns.csv") << "fuelly" << any << litre
        << QStringList{"F fuelly",
                       "V " + corolla + "|" + corolla + "|",
                       "V " + escape + "|" + escape + "|",
                       perUnit(2, corolla, "2010-03-02", 61240, "mi", 9.41, 2.649, us),
                       perUnit(3, corolla, "2010-03-18", 61569, "mi", 10.02, 2.699, us),
                       perUnit(4, corolla, "2010-04-03", 61874, "mi", 9.18, 2.759, us),
                       perUnit(5, corolla, "2010-04-03", 62190, "mi", 9.6, 2.779, us),
                       perUnit(6, corolla, "2010-04-29", 62498, "mi", 9.217, 2.819, us),
                       perUnit(7, escape, "2011-05-06", 24511, "mi", 15.75, 3.859, us),
                       perUnit(8, escape, "2011-05-27", 24863, "mi", 16.203, 3.899, us),
                       perUnit(9, escape, "2011-06-15", 25196, "mi", 15.61, 3.749, us),
                       perUnit(10, escape, "2011-07-08", 255400, "mi", 15.98, 3.679, us),
                       perUnit(11, escape, "2011-07-30", 25871, "mi", 15.47, 3.619, us),
                       perUnit(12, escape, "2011-08-19", 26230, "mi", 16.532, 3.589, us),
                       "D mdy@3",
                       usGallons,
                       decided(mdy, 3, "03-18-2010"),
                       "N " + corolla + ": " + usPrices,
                       "N " + escape + ": " + usPrices};

    QTest::newRow("fuelly services, one without a price")
        << sample("fuelly-services.csv") << "" << any << litre
        << QStringList{
               "F fuelly",
               "V Fabia 2012|Fabia 2012|",
               cost(2, fabia, "2021-06-26", 7.5, "car wash"),
               cost(3, fabia, "2021-06-12", 64.9,
                    "engine oil, oil filter - 4 litres 0W-30 and a new drain plug washer"),
               cost(4, fabia, "2021-05-20", 12, "parking - Airport short stay"),
               cost(6, fabia, "2021-04-30", 18,
                    "windshield wipers, Cabin Filter - Front blades and pollen filter, driver's "
                    "blade squeaked"),
               cost(7, fabia, "2021-04-09", 59, "mot - Periodic inspection passed"),
               cost(8, fabia, "2021-03-27", 3.5, "car wash"),
               cost(9, fabia, "2021-03-05", 6400, "bought"),
               "K 3 Service,4 Parking,6 Service,7 Service,9 Purchase",
               reminder(5, fabia, "service", "2021-05-20", 100812)};

    QTest::newRow("spritmonitor German, 13 columns")
        << sample("spritmonitor-fuelings-de-13.csv") << "" << any << litre
        << QStringList{"F spritmonitor",
                       "V ||",
                       totalOnly(2, "", "2018-07-11", 3542, "km", 50.03, 34.77),
                       totalOnly(3, "", "2018-06-30", 3100, "km", 58.52, 40.11),
                       totalOnly(4, "", "2018-06-16", 2611, "km", 53.14, 35.93),
                       totalOnly(5, "", "2018-06-02", 2165, "km", 0, 37.02),
                       totalOnly(6, "", "2018-05-19", 1702, "km", 49.74, 33.86),
                       totalOnly(7, "", "2018-05-05", 1287, "km", 29.05, 20.05),
                       totalOnly(8, "", "2018-04-27", 1043, "km", 63.02, 44.10),
                       totalOnly(9, "", "2018-04-14", 498, "km", 54.58, 38.74),
                       totalOnly(10, "", "2018-04-03", 12, "km", 57.34, 41.28),
                       "P 7 X ",
                       "D dmy@3",
                       decided(dmy, 3, "30.06.2018")};
    const QStringList sprit20{"F spritmonitor",
                              "V ||",
                              totalOnly(2, "", "2019-06-21", 5803, "km", 53.71, 41.35),
                              totalOnly(3, "", "2019-06-07", 5081, "km", 56.04, 42.17),
                              totalOnly(6, "", "2019-05-24", 370, "km", 52.73, 38.80),
                              totalOnly(7, "", "2019-05-10", 3704, "km", 53.89, 39.95),
                              totalOnly(8, "", "2019-04-26", 3012, "km", 54.44, 40.66),
                              totalOnly(9, "", "2019-04-26", 3012, "km", 54.44, 40.66),
                              totalOnly(10, "", "2019-04-12", 2301, "km", 55.23, 41.87),
                              totalOnly(12, "", "2019-03-29", 1590, "km", 55.86, 44.02),
                              totalOnly(13, "", "2019-03-14", 812, "km", 57.95, 45.31),
                              totalOnly(14, "", "2019-03-02", 35, "km", 62.61, 48.20),
                              "D dmy@2",
                              decided(dmy, 2, "21.06.2019")};
    QTest::newRow("spritmonitor German, 20 columns, notes over lines with \\\" and ;")
        << sample("spritmonitor-fuelings-de-20.csv") << "" << any << litre << sprit20;
    const QString ll = QString();
    QTest::newRow("lubelogger fuel, M/d/yyyy, trailing comma")
        << sample("lubelogger-fuel-month-first.csv") << "" << any << litre
        << QStringList{"F lubelogger",
                       "V ||",
                       totalOnly(2, ll, "2023-03-04", 48215, "log", 62.38, 38.412),
                       totalOnly(3, ll, "2023-03-19", 48590, "log", 59.05, 36.207),
                       totalOnly(4, ll, "2023-04-02", 48794, "log", 32.30, 19.633),
                       totalOnly(5, ll, "2023-04-09", 49012, "log", 34.54, 21.076),
                       totalOnly(6, ll, "2023-04-23", 49766, "log", 61.38, 37.911),
                       totalOnly(7, ll, "2023-05-06", 50149, "log", 62.05, 38.804),
                       totalOnly(8, ll, "2023-05-21", 50521, "log", 59.04, 37.158),
                       "P 4 X 6",
                       "D mdy@3",
                       decided(mdy, 3, "3/19/2023"),
                       "N : " + noUnits.arg("litres")};
    QTest::newRow("lubelogger fuel in US gallons when told")
        << sample("lubelogger-fuel-month-first.csv") << "" << any << VolumeUnit::UsGallon
        << QStringList{"F lubelogger",
                       "V ||",
                       totalOnly(2, ll, "2023-03-04", 48215, "log", 62.38, 38.412 * us),
                       totalOnly(3, ll, "2023-03-19", 48590, "log", 59.05, 36.207 * us),
                       totalOnly(4, ll, "2023-04-02", 48794, "log", 32.30, 19.633 * us),
                       totalOnly(5, ll, "2023-04-09", 49012, "log", 34.54, 21.076 * us),
                       totalOnly(6, ll, "2023-04-23", 49766, "log", 61.38, 37.911 * us),
                       totalOnly(7, ll, "2023-05-06", 50149, "log", 62.05, 38.804 * us),
                       totalOnly(8, ll, "2023-05-21", 50521, "log", 59.04, 37.158 * us),
                       "P 4 X 6",
                       "D mdy@3",
                       decided(mdy, 3, "3/19/2023"),
                       "N : " + noUnits.arg("US gallons")};
    QTest::newRow("lubelogger fuel, dollar signs read away")
        << sample("lubelogger-fuel-dollar-cost.csv") << "" << any << litre
        << QStringList{"F lubelogger",
                       "V ||",
                       totalOnly(2, ll, "2025-07-06", 30412, "log", 68.04, 41.87),
                       totalOnly(3, ll, "2025-07-19", 30771, "log", 65.40, 39.42),
                       totalOnly(4, ll, "2025-08-02", 31168, "log", 70.99, 43.05),
                       totalOnly(5, ll, "2025-08-11", 31420, "log", 41.04, 24.3),
                       totalOnly(6, ll, "2025-08-25", 31792, "log", 66.64, 40.66),
                       totalOnly(7, ll, "2025-09-08", 32486, "log", 69.15, 42.71),
                       totalOnly(8, ll, "2025-09-22", 32851, "log", 64.09, 40.08),
                       "P 5 X 7",
                       "D mdy@3",
                       decided(mdy, 3, "7/19/2025"),
                       currency,
                       "N : " + noUnits.arg("litres")};
    QStringList padded{"F lubelogger",
                       "V ||",
                       totalOnly(2, ll, "2019-02-11", 71532, "log", 60.3, 39.41),
                       totalOnly(3, ll, "2019-02-26", 71905, "log", 62.49, 41.8),
                       totalOnly(4, ll, "2019-03-09", 72260, "log", 57, 40),
                       totalOnly(5, ll, "2019-03-09", 72604, "log", 55.43, 38.226),
                       totalOnly(6, ll, "2019-03-24", 72951, "log", 61.04, 40.37),
                       totalOnly(7, ll, "2019-04-08", 73318, "log", 64.44, 42.115),
                       totalOnly(8, ll, "2019-04-27", 73677, "log", 62.2, 39.9),
                       "D mdy@3",
                       decided(mdy, 3, "02/26/2019"),
                       "N : " + noUnits.arg("litres")};
    QTest::newRow("lubelogger fuel, padded dates, TRUE/FALSE")
        << sample("lubelogger-fuel-padded-dates-upper-bool.csv") << "" << any << litre << padded;
    padded.insert(9, "P 4 X 4");
    QTest::newRow("lubelogger fuel, FALSE/TRUE: partial after a missed fill")
        << sample("lubelogger-fuel-padded-dates-upper-bool.csv")
               .replace("72260,40,57,,TRUE,FALSE", "72260,40,57,,FALSE,TRUE")
        << "" << any << litre << padded;
    const QStringList service{
        "F lubelogger",
        "V ||",
        cost(2, ll, "2022-01-15", 32.50, "Wiper blades - Front pair"),
        cost(3, ll, "2022-03-09", 74.90, "Oil and filter change - 5W-30 full synthetic"),
        cost(4, ll, "2022-06-27", 189, "Front brake pads - Rotors measured within spec"),
        cost(5, ll, "2022-08-08", 25, "Tire rotation - Pressures set to 35 psi"),
        cost(6, ll, "2022-10-03", 41.25, "Cabin air filter - Replaced at the dealer"),
        cost(7, ll, "2022-12-19", 162.80, "Battery - Old battery failed a load test"),
        "K 2 Service,3 Service,4 Service,5 Tyres,6 Service",
        "D mdy@2",
        decided(mdy, 2, "01/15/2022")};
    QTest::newRow("lubelogger service records")
        << sample("lubelogger-service.csv") << "" << any << litre << service;
    QStringList serviceIn16 = service;
    serviceIn16.insert(serviceIn16.size() - 1, "N the file is UTF-16: read as such");
    QStringList serviceIn1252 = service;
    serviceIn1252[2] = cost(2, ll, "2022-01-15", 32.50, "Wiper blades - Front pair 12 € – Müller");
    serviceIn1252.insert(serviceIn1252.size() - 1, "N the file is not UTF-8: read as Windows-1252");
    QTest::newRow("lubelogger service records in Windows-1252")
        << windows1252(
               sample("lubelogger-service.csv")
                   .replace("Front pair", "Front pair 12 \xE2\x82\xAC \xE2\x80\x93 M\xC3\xBCller"))
        << "" << any << litre << serviceIn1252;
    QTest::newRow("lubelogger service records in UTF-16")
        << utf16(sample("lubelogger-service.csv")) << "" << any << litre << serviceIn16;

    const auto undecided = [](int line, const char* text, const char* dayFirst,
                              const char* monthFirst) {
        return broken(
            line, "",
            QStringLiteral("the day/month order is undecided: %1 reads as %2 or %3")
                .arg(QLatin1String(text), QLatin1String(dayFirst), QLatin1String(monthFirst)));
    };
    QTest::newRow("no row decides the day/month order")
        << sample("lubelogger-service-undecided-order.csv") << "" << any << litre
        << QStringList{
               "F lubelogger",
               "V ||",
               cost(2, ll, "2021-02-02", 58.40, "Oil change - Synthetic 0W-20"),
               cost(5, ll, "2021-06-06", 20, "Tire rotation - Rotated front to back"),
               "K 2 Service,5 Tyres",
               undecided(3, "03/05/2021", "2021-05-03", "2021-03-05"),
               undecided(4, "04/07/2021", "2021-07-04", "2021-04-07"),
               undecided(6, "09/11/2021", "2021-11-09", "2021-09-11"),
               undecided(7, "10/06/2021", "2021-06-10", "2021-10-06"),
               "U 3,4,6,7",
               "N nothing in the file tells whether its dates are day first or month first"};
    QTest::newRow("no row decides, the order given")
        << sample("lubelogger-service-undecided-order.csv") << "" << DateOrder::DayFirst << litre
        << QStringList{"F lubelogger",
                       "V ||",
                       cost(2, ll, "2021-02-02", 58.40, "Oil change - Synthetic 0W-20"),
                       cost(3, ll, "2021-05-03", 14.99, "Wiper blades - Rear only"),
                       cost(4, ll, "2021-07-04", 89, "Wheel alignment - After a pothole"),
                       cost(5, ll, "2021-06-06", 20, "Tire rotation - Rotated front to back"),
                       cost(6, ll, "2021-11-09", 95.50, "Brake fluid - Flushed at the dealer"),
                       cost(7, ll, "2021-06-10", 120, "Coolant flush - Dealer service"),
                       "K 2 Service,3 Service,5 Tyres,6 Service",
                       "D dmy@0",
                       "N dates read day first (day/month/year), as asked; no date of the file "
                       "tells"};
    QTest::newRow("dates that contradict each other")
        << QByteArray("Date,Odometer,FuelConsumed,Cost\n3/19/2023,100,10,15\n"
                      "20/3/2023,200,10,15\n")
        << "" << DateOrder::DayFirst << litre
        << QStringList{"error: The file's dates contradict each other: 20/3/2023 on line 3 can "
                       "only be day first, 3/19/2023 on line 2 only month first; nothing was "
                       "imported."};
    QTest::newRow("a line over 1 MB")
        << "Date,Odometer,FuelConsumed,Cost\n1/1/2023,1,1,1\n" + QByteArray((1 << 20) + 1, 'x') +
               "\n"
        << "" << any << litre
        << QStringList{"error: Line 3 of the file is longer than 1 MB, which no logbook writes; "
                       "nothing was imported."};
    QTest::newRow("a quote never closed takes in the rows after it")
        << QByteArray("Date,Odometer,FuelConsumed,Cost\n2023-01-01,100,10,\"15\n"
                      "2023-02-01,200,10,15\n")
        << "" << any << litre
        << QStringList{"error: A quoted field of the row that starts on line 2 is never closed, "
                       "so the lines after it cannot be read as rows; nothing was imported."};
    QTest::newRow("a sign before the year, a three-digit day, a year before 100")
        << QByteArray("Date,Odometer,FuelConsumed,Cost\n-001-01-01,100,10,15\n"
                      "-020-03-04T10:00:00,150,10,15\n0099-01-01,200,10,15\n")
        << "" << any << litre
        << QStringList{"F lubelogger",
                       "V ||",
                       broken(2, ll, "\"-001-01-01\" in Date is not a date"),
                       broken(3, ll, "\"-020-03-04T10:00:00\" in Date is not a date"),
                       broken(4, ll,
                              "\"0099-01-01\" in Date is a date before the year 100, which the "
                              "log cannot hold"),
                       "N : " + noUnits.arg("litres")};
    QTest::newRow("NUL and U+FEFF inside a text read away")
        << QByteArrayLiteral("Date,Odometer,Description,Notes,Cost\n2023-01-01,100,Oil\0 change,"
                             "\xEF\xBB\xBFSynthetic\0,15\n")
        << "" << any << litre
        << QStringList{"F lubelogger", "V ||",
                       cost(2, ll, "2023-01-01", 15, "Oil change - Synthetic"), "K 2 Service",
                       "N control characters (such as NUL) read away from the file's texts"};
    QTest::newRow("U+FEFF alone inside a text read away, no control character noted")
        << QByteArray("Date,Odometer,Description,Notes,Cost\n2023-01-01,100,Oil change,"
                      "Synth\xEF\xBB\xBF"
                      "etic,15\n")
        << "" << any << litre
        << QStringList{"F lubelogger", "V ||",
                       cost(2, ll, "2023-01-01", 15, "Oil change - Synthetic"), "K 2 Service"};
    QTest::newRow("a field across the reader's 32 KB chunks")
        << "Date,Odometer,Description,Notes,Cost\n2023-01-01,1," + QByteArray(70000, 'y') + ",,10\n"
        << "" << any << litre
        << QStringList{"F lubelogger", "V ||",
                       cost(2, ll, "2023-01-01", 10, QString(70000, QLatin1Char('y')))};

    const QString mx5 = QStringLiteral("Mazda MX-5");
    QTest::newRow("fuelio, miles and litres, 18-column log")
        << sample("fuelio-miles-litres.csv") << "" << any << litre
        << QStringList{
               "F fuelio",
               "V Mazda MX-5|Mazda MX-5|KV05 HZT",
               paid(6, mx5, "2024-06-09 09:14", 62478, "mi", 47.32, 1.489, 1),
               paid(7, mx5, "2024-05-26 19:46", 62231, "mi", 52.85, 1.509, 1),
               paid(8, mx5, "2024-05-11 15:03", 61960, "mi", 50.09, 1.499, 1),
               paid(9, mx5, "2024-04-27 10:22", 61702, "mi", 53.43, 1.489, 1),
               paid(10, mx5, "2024-04-13 18:40", 61198, "mi", 39.84, 1.479, 1),
               paid(11, mx5, "2024-03-29 12:05", 60941, "mi", 29.93, 1.459, 1),
               paid(12, mx5, "2024-03-16 17:52", 60668, "mi", 48.63, 1.469, 1),
               paid(13, mx5, "2024-03-02 08:37", 60412, "mi", 60.86, 1.477, 1),
               cost(31, mx5, "2024-05-30 11:15", 0, "Tyre pressure check - Free at the garage"),
               cost(32, mx5, "2024-04-20 14:30", 68.5,
                    "Oil and filter - Mobil 1 5W-30, 4.5 litres"),
               cost(33, mx5, "2024-03-01 09:00", 210, "Road tax - 12 months"),
               "P 11 X 9",
               "K 31 Tyres,32 Service,33 Tax",
               reminder(33, mx5, "Road tax", "2025-03-01", 0)};
    QTest::newRow("fuelio reminders: alone, with the work, a bad date")
        << QByteArray("\"## Vehicle\"\n\"Name\",\"DistUnit\"\n\"Golf\",\"0\"\n\"## Costs\"\n"
                      "\"CostTitle\",\"Date\",\"Cost\",\"RemindOdo\",\"RemindDate\",\"RepeatOdo\","
                      "\"RepeatMonths\"\n"
                      "\"Timing "
                      "belt\",\"2024-01-05\",\"0.0\",\"120000.0\",\"2011-01-01\",\"60000\",\"0\"\n"
                      "\"MOT\",\"2024-01-06\",\"54.85\",\"0\",\"2025-01-06\",\"0\",\"12\"\n"
                      "\"Brakes\",\"2024-01-07\",\"\",\"0\",\"soon\",\"0\",\"0\"\n")
        << "" << any << litre
        << QStringList{"F fuelio",
                       "V Golf|Golf|",
                       cost(7, "Golf", "2024-01-06", 54.85, "MOT"),
                       reminder(6, "Golf", "Timing belt", "", 120000, 0, 60000),
                       reminder(7, "Golf", "MOT", "2025-01-06", 0, 12),
                       broken(8, "Golf", "\"soon\" in RemindDate is not a date")};
    const QString sienna = QStringLiteral("Sienna");
    QTest::newRow("fuelio, US gallons, 15-column log, empty last line")
        << sample("fuelio-miles-us-gallons.csv") << "" << any << litre
        << QStringList{"F fuelio",
                       "V Sienna|Sienna|",
                       paid(6, sienna, "2019-06-30", 88254, "mi", 35.27, 2.799, us),
                       paid(7, sienna, "2019-07-22", 83090, "mi", 43.72, 2.699, us),
                       paid(8, sienna, "2019-07-08", 82738, "mi", 42.6, 2.759, us),
                       paid(9, sienna, "2019-06-24", 82401, "mi", 44.03, 2.799, us),
                       paid(10, sienna, "2019-06-10", 82049, "mi", 42.68, 2.849, us),
                       paid(11, sienna, "2019-05-29", 81725, "mi", 46.86, 2.909, us),
                       paid(12, sienna, "2019-05-14", 81377, "mi", 45, 2.949, us),
                       paid(13, sienna, "2019-05-02", 81041, "mi", 46.01, 2.899, us),
                       paid(14, sienna, "2019-04-19", 80702, "mi", 44.23, 2.859, us),
                       paid(15, sienna, "2019-04-06", 80355, "mi", 44.84, 2.799, us),
                       cost(31, sienna, "2019-07-01", 150, "Registration renewal"),
                       cost(32, sienna, "2019-05-20", 59.99, "Oil change - Full synthetic 0W-20"),
                       "K 31 Tax,32 Service",
                       "N Sienna: " + usPrices};
    const QString zafira = QStringLiteral("Zafira");
    QTest::newRow("fuelio, a kg tank beside a litre tank")
        << sample("fuelio-two-tanks-kg-and-litres.csv") << "" << any << litre
        << QStringList{
               "F fuelio",
               "V Zafira|Zafira|FK218MS",
               paid(8, zafira, "2024-02-17 10:55", 154522, "km", 18.45, 1.869, 1),
               paid(12, zafira, "2024-01-21 12:30", 152881, "km", 23.06, 1.849, 1),
               cost(28, zafira, "2024-02-24 09:30", 312,
                    "Montaggio pneumatici invernali, gommista di via Rombon - Pneumatici 205/55 "
                    "R16 quattro stagioni\n\nRitiro vecchie gomme 12€"),
               cost(31, zafira, "2024-02-05 12:10", 0, "Aggiunta olio motore 1 lt 5W30"),
               cost(32, zafira, "2024-01-18 15:45", 125,
                    "Collaudo serbatoi gas - Collaudo quadriennale\nbombole OK"),
               cost(34, zafira, "2024-01-10 08:00", 158.6, "Bollo auto 2024"),
               cost(35, zafira, "2024-01-05 17:20", 245,
                    "Manutenzione dei 150 mila km - Olio 5W30 4,5 lt\nfiltri olio e "
                    "abitacolo\ncandele nuove"),
               "P 8,12 X ",
               "K 28 Service,31 Service,32 Service,34 Tax,35 Service",
               broken(6, zafira, kg),
               broken(7, zafira, kg),
               broken(9, zafira, kg),
               broken(10, zafira, kg),
               broken(11, zafira, kg),
               broken(13, zafira, kg),
               broken(14, zafira, kg)};

    const QString camry = QStringLiteral("Camry"), outback = QStringLiteral("Outback");
    QTest::newRow("acar, sections, thousands commas, dollar prices, short event rows")
        << sample("acar.csv") << "" << any << litre
        << QStringList{"F acar",
                       "V Camry|Camry|8GHT274",
                       "V Outback|Outback|",
                       paid(12, camry, "2023-09-14 17:32", 58917, "mi", 57.70, 4.659, us),
                       paid(13, camry, "2023-08-29 07:05", 58527, "mi", 28.15, 4.599, us),
                       paid(14, camry, "2023-08-17 12:48", 58304, "mi", 29.57, 4.759, us),
                       paid(15, camry, "2023-08-12 18:20", 58160, "mi", 56.93, 4.499, us),
                       paid(16, camry, "2023-07-21 08:47", 57396, "mi", 54.03, 4.459, us),
                       paid(17, camry, "2023-07-09 07:58", 57012, "mi", 52.48, 4.419, us),
                       paid(18, outback, "2023-07-30 11:03", 141902, "mi", 57.26, 4.389, us),
                       paid(19, outback, "2023-06-18 16:40", 141569, "mi", 62.94, 4.429, us),
                       paid(20, outback, "2023-06-02 09:12", 141207, "mi", 64.84, 4.379, us),
                       cost(24, camry, "2023-08-21 10:15", 64.95,
                            "Service - Engine Oil, Oil Filter, Air Filter - Full synthetic 0W-16"),
                       cost(25, camry, "2023-07-09 08:05", 31.98, "Service - Wiper Blades"),
                       cost(26, outback, "2023-07-12 14:30", 742.60,
                            "Service - Tires, Wheel Alignment - 4 new all-season tires"),
                       "P 14 X 15",
                       "K 24 Service,25 Service,26 Tyres",
                       "D mdy@12",
                       decided(mdy, 12, "9/14/2023 17:32"),
                       currency,
                       thousands,
                       "N Camry: " + usPrices,
                       "N Outback: " + usPrices};

    const QString dacia = QStringLiteral("Dacia");
    const QStringList drivvo{
        "F drivvo",
        "V Dacia|Dacia|",
        paid(7, dacia, "2023-06-10 09:05:27", 102109, "km", 265.87, 6.94, 1),
        paid(8, dacia, "2023-05-27 16:11:09", 101517, "km", 257.72, 6.99, 1),
        paid(9, dacia, "2023-05-13 12:30:54", 100960, "km", 253.25, 7.08, 1),
        paid(10, dacia, "2023-04-23 07:48:36", 100412, "km", 263.50, 7.11, 1),
        paid(11, dacia, "2023-04-09 19:02:11", 99844, "km", 247.60, 7.05, 1),
        paid(12, dacia, "2023-04-01 08:15:49", 99502, "km", 151.63, 7.02, 1),
        paid(13, dacia, "2023-03-18 17:40:03", 98981, "km", 253.26, 6.95, 1),
        paid(14, dacia, "2023-03-04 10:22:17", 98412, "km", 263.20, 6.89, 1),
        cost(18, dacia, "2023-06-02 13:20:44", 35, "Parcare - Aeroport 2 ore"),
        cost(19, dacia, "2023-04-05 10:02:31", 1180, "RCA - 12 luni"),
        cost(20, dacia, "2023-04-05 09:58:12", 96, "Taxă pod Fetești"),
        cost(21, dacia, "2023-03-04 09:40:05", 160, "ITP - 2 ani"),
        cost(22, dacia, "2023-03-03 18:12:40", 32500, "Achiziție autoturism"),
        cost(27, dacia, "2023-05-20 11:45:00", 640,
             "Revizie periodică - Ulei 5W-40, filtru ulei\nfiltru aer, filtru habitaclu"),
        cost(29, dacia, "2023-04-15 15:30:12", 310, "Brake System - Plăcuțe față"),
        cost(30, dacia, "2023-04-02 09:10:40", 0, "Service - Verificare gratuită în garanție"),
        "P 12 X ",
        "K 18 Parking,19 Insurance,21 Service,22 Purchase,27 Service,29 Service,30 Service"};
    QTest::newRow("drivvo, sections read by position")
        << sample("drivvo-ro.csv") << "" << any << litre << drivvo;
    QByteArray twoFuels = sample("drivvo-ro.csv");
    twoFuels.replace("\"Yes\",\"\",\"0.00\",\"0.00\",\"0.00\",\"No\",\"\",\"0.00\",\"0.00\","
                     "\"0.00\",\"No\",\"6,47",
                     "\"Yes\",\"LPG\",\"3.50\",\"70.00\",\"20.00\",\"Yes\",\"\",\"0.00\","
                     "\"0.00\",\"0.00\",\"No\",\"6,47");
    QStringList twoFuelRows = drivvo;
    twoFuelRows.insert(3, paid(7, dacia, "2023-06-10 09:05:27", 102109, "km", 70, 3.5, 1));
    QTest::newRow("drivvo, a second fuel its own fill-up")
        << twoFuels << "drivvo" << any << litre << twoFuelRows;
    QByteArray extraColumn = sample("drivvo-ro.csv");
    extraColumn.replace("\"Aeroport 2 ore\"", "\"Aeroport 2 ore\",\"more\"");
    QStringList extraColumnRows = drivvo;
    extraColumnRows.removeAt(extraColumnRows.indexOf(
        cost(18, dacia, "2023-06-02 13:20:44", 35, "Parcare - Aeroport 2 ore")));
    extraColumnRows.last().remove(QLatin1String("18 Parking,"));
    extraColumnRows << broken(18, dacia, "the row has 10 fields where its section has 9");
    QTest::newRow("drivvo, a row with a field too many")
        << extraColumn << "" << any << litre << extraColumnRows;

    QTest::newRow("kelmot, formula guards taken away, other apostrophes kept")
        << QByteArray("Kelmot Record,Registration,Date,Current Mileage,Distance Unit,Amount,"
                      "Price Per,Cost,Description,Make,Model,Fuel,Engine Capacity,"
                      "Registration Date,Purchase Date,Removed At\n"
                      "Vehicle,'=K1,,,,,,,,'+Make,'Model,'@Fuel,0,,,\n"
                      "Maintenance,'=K1,2024-01-02,,,,,10,'=SUM(A1),,,,,,,\n"
                      "Maintenance,'=K1,2024-01-03,,,,,11,'-5% off,,,,,,,\n"
                      "Maintenance,'=K1,2024-01-04,,,,,12,'quoted' word,,,,,,,\n"
                      "Maintenance,'=K1,2024-01-05,,,,,13,''=twice,,,,,,,\n")
        << "" << any << litre
        << QStringList{"F kelmot",
                       "V =K1|=K1|=K1",
                       cost(3, "=K1", "2024-01-02", 10, "=SUM(A1)"),
                       cost(4, "=K1", "2024-01-03", 11, "-5% off"),
                       cost(5, "=K1", "2024-01-04", 12, "'quoted' word"),
                       cost(6, "=K1", "2024-01-05", 13, "'=twice")};
    QTest::newRow("kelmot, fills and kinds after the removed rows' columns")
        << QByteArray("Kelmot Record,Registration,Date,Current Mileage,Distance Unit,Amount,"
                      "Price Per,Cost,Description,Make,Model,Fuel,Engine Capacity,"
                      "Registration Date,Purchase Date,Removed At,Fill,Category\n"
                      "Mileage,K1,2024-01-02,10,Mile,5,1,,,,,,,,,,partial AFTER a missed fill,\n"
                      "Mileage,K1,2024-01-03,12,Mile,5,1,,,,,,,,,,Half,\n"
                      "Maintenance,K1,2024-01-04,,,,,13,Winter set,,,,,,,,,Tyres\n"
                      "Maintenance,K1,2024-01-05,,,,,14,Fuel card,,,,,,,,,Fuel\n")
        << "" << any << litre
        << QStringList{"F kelmot",
                       "V K1|K1|K1",
                       paid(2, "K1", "2024-01-02", 10, "mi", 5, 1, 1),
                       cost(4, "K1", "2024-01-04", 13, "Winter set"),
                       "P 2 X 2",
                       "K 4 Tyres",
                       broken(3, "K1", "\"Half\" is not a fill"),
                       broken(5, "K1", "\"Fuel\" is not a kind of cost")};
}

void TestFormats::reads()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, format);
    QFETCH(DateOrder, order);
    QFETCH(VolumeUnit, volume);
    QFETCH(QStringList, expected);
    ImportReadOptions options(format);
    options.dateOrder = order;
    options.volumeUnit = volume;
    QStringList got;
    try {
        got = readText(ReadImportContent(content, options));
    } catch (const ImportError& e) {
        got = QStringList{QStringLiteral("error: ") + e.message()};
    }
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
