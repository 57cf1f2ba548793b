#include "Columns.h"
#include "FileBuilder.h"
#include "Formats.h"
#include "KindWords.h"
#include "Row.h"
#include "RowReasons.h"
#include "SectionWalk.h"
#include "UnitWords.h"

#include <QHash>

namespace {

enum Column
{
    Name,
    Plate,
    Make,
    Model,
    DistUnit,
    FuelUnit,
    DateFormat,
    FuelUnitTank2,
    Date,
    Odometer,
    Volume,
    Total,
    UnitPrice,
    Tank,
    Title,
    Notes,
    Cost,
    RemindOdo,
    RemindDate,
    Full,
    Missed,
    CostType,
    RepeatOdo,
    RepeatMonths
};

// The log's volume column is "Fuel (unit)", or the bare unit for fuel kept by mass or energy.
constexpr ColumnName Header[] = {{Name, "Name"},
                                 {Plate, "Plate"},
                                 {Make, "Make"},
                                 {Model, "Model"},
                                 {DistUnit, "DistUnit"},
                                 {FuelUnit, "FuelUnit"},
                                 {DateFormat, "ImportCSVDateFormat"},
                                 {FuelUnitTank2, "FuelUnitTank2"},
                                 {Date, "Data"},
                                 {Date, "Date"},
                                 {Odometer, "Odo"},
                                 {Volume, "Fuel"},
                                 {Volume, "kg"},
                                 {Volume, "kWh"},
                                 {Volume, "m3"},
                                 {Total, "Price"},
                                 {UnitPrice, "VolumePrice"},
                                 {Tank, "TankNumber"},
                                 {Title, "CostTitle"},
                                 {Notes, "Notes"},
                                 {Cost, "Cost"},
                                 {RemindOdo, "RemindOdo"},
                                 {RemindDate, "RemindDate"},
                                 {Full, "Full"},
                                 {Missed, "Missed"},
                                 {CostType, "CostTypeID"},
                                 {RepeatOdo, "RepeatOdo"},
                                 {RepeatMonths, "RepeatMonths"}};

// How a tank's fuel is measured: litres per unit, or the unit Kelmot cannot keep.
struct Measure
{
    std::optional<double> litresPerUnit = 1.0;
    QString unit;
};

// Fuelio's unit codes: 0 litres, 1 US gallons, 2 imperial gallons, 4 kg (CNG).
Measure measureOfCode(const QString& code)
{
    const QString c = code.trimmed();
    if (c == QLatin1String("1"))
        return {LitresPerUsGallon, {}};
    if (c == QLatin1String("2"))
        return {LitresPerImperialGallon, {}};
    if (c == QLatin1String("4"))
        return {std::nullopt, QStringLiteral("kg")};
    return {};
}

// The unit a log header names ("Fuel (us gallons)", "kg"), when it names one for sure.
std::optional<Measure> measureOfHeader(const QString& header)
{
    QString word = header.trimmed();
    const qsizetype open = word.indexOf(QLatin1Char('('));
    if (open >= 0)
        word = word.mid(open + 1).remove(QLatin1Char(')')).trimmed();
    else if (word.compare(QLatin1String("Fuel"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (word.compare(QLatin1String("gal"), Qt::CaseInsensitive) == 0)
        return std::nullopt; // which gallon the vehicle's FuelUnit says
    if (const auto litres = LitresPerVolumeWord(word))
        return Measure{litres, {}};
    return Measure{std::nullopt, word};
}

struct Vehicle
{
    QString key;
    FileDistance distance = FileDistance::Kilometres;
    Measure tank1, tank2;
};

// Fuelio's "no reminder date".
const QLatin1String NoRemindDate("2011-01-01");

// A cost entry that sets a reminder: a reminder odometer or date of its own.
bool isReminder(Row& row)
{
    const QString odo = row.text(RemindOdo, false).trimmed();
    const QString date = row.text(RemindDate, false).trimmed();
    return (!odo.isEmpty() && odo.toDouble() > 0) || (!date.isEmpty() && date != NoRemindDate);
}

// The reminder a cost entry sets, due at its reminder odometer and date and repeating as it
// says; false, with the row broken, when its date does not read.
bool addReminder(FileBuilder& b, Row& row, const Columns& cols, const QString& key,
                 const QString& title)
{
    const QString dateText = row.text(RemindDate, false).trimmed();
    std::optional<RowDate> due;
    if (!dateText.isEmpty() && dateText != NoRemindDate) {
        due = row.date(dateText, cols.name(RemindDate));
        if (!row.ok())
            return false;
    }
    const double odo = row.text(RemindOdo, false).trimmed().toDouble();
    ImportedReminder r{row.line(),
                       key,
                       title,
                       {},
                       odo > 0 ? odo : 0,
                       std::max(0, row.text(RepeatMonths, false).trimmed().toInt()),
                       std::max(0.0, row.text(RepeatOdo, false).trimmed().toDouble())};
    b.addReminder(r, due);
    return true;
}

// The kind of one of Fuelio's own categories by its number, for names in a language the
// words do not know.
QString builtInKind(const QString& id)
{
    const int n = id.trimmed().toInt();
    return n == 1 || n == 2 ? CostCategory::Service
           : n == 4         ? CostCategory::Tax
           : n == 5         ? CostCategory::Parking
           : n == 31        ? CostCategory::Insurance
                            : CostCategory::Other;
}

bool detect(const QString& line)
{
    return line.startsWith(QLatin1String("## Vehicle"), Qt::CaseInsensitive);
}

// "## Vehicle", "## Log", "## Costs" sections, each with a header row; the others are skipped.
void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    Vehicle current;
    int vehicles = 0;
    Columns cols;
    QHash<QString, QString> categoryNames; // CostTypeID -> its name
    const QChar dot = QLatin1Char('.');
    const auto vehicleKey = [&]() {
        if (current.key.isEmpty())
            current.key = b.vehicle(QStringLiteral("Vehicle 1")).key;
        return current.key;
    };
    const auto headingOf = [](const CsvRecord& rec) -> std::optional<QString> {
        const QString first = rec.field(0).trimmed().toString();
        if (!first.startsWith(QLatin1String("## ")))
            return std::nullopt;
        return first.mid(3).trimmed();
    };
    WalkSections(
        b, records, headingOf, [&](const QString& section, const CsvRecord& rec, bool header) {
            if (header) {
                cols = Columns(rec.fields(), Header);
                return;
            }
            Row row(b, rec, &cols);
            if (section == QLatin1String("Vehicle")) {
                ++vehicles;
                const QString name = row.text(Name).trimmed();
                current = Vehicle();
                current.key = name.isEmpty() ? QStringLiteral("Vehicle %1").arg(vehicles) : name;
                ImportedVehicle& v = b.vehicle(current.key);
                v.plate = row.text(Plate, false).trimmed();
                v.make = row.text(Make, false).trimmed();
                v.model = row.text(Model, false).trimmed();
                current.distance = row.text(DistUnit, false).trimmed() == QLatin1String("1")
                                       ? FileDistance::Miles
                                       : FileDistance::Kilometres;
                v.distance = current.distance;
                current.tank1 = measureOfCode(row.text(FuelUnit, false));
                current.tank2 = measureOfCode(row.text(FuelUnitTank2, false));
                b.declareDateOrder(row.text(DateFormat, false),
                                   QStringLiteral("the vehicle's ImportCSVDateFormat"));
                if (!row.ok())
                    b.broken(rec.line, current.key, row.problem());
            } else if (section == QLatin1String("Log")) {
                const QString key = vehicleKey();
                const auto date = row.date(row.field(Date), cols.name(Date));
                const auto odo = row.number(Odometer, dot);
                const auto volume = row.number(Volume, dot);
                const auto total = row.number(Total, dot, false);
                const auto unit = row.number(UnitPrice, dot, false);
                if (!row.ok()) {
                    b.broken(rec.line, key, row.problem(), RowKind::Reading);
                    return;
                }
                const bool second = row.text(Tank, false).trimmed() == QLatin1String("2");
                Measure measure = current.tank2;
                if (!second)
                    measure = measureOfHeader(cols.header(Volume)).value_or(current.tank1);
                if (!measure.litresPerUnit) {
                    b.broken(rec.line, key, UnstorableFuelReason(measure.unit), RowKind::Reading);
                    return;
                }
                const FileDistance distance = DistanceWord(cols.header(Odometer).section('(', 1));
                // Full is 1 for a full tank, 0 partial, 2 a second tank's fill that is not full.
                const QString full = row.text(Full, false).trimmed();
                const FillKind fill{!full.isEmpty() && full != QLatin1String("1"),
                                    row.text(Missed, false).trimmed() == QLatin1String("1")};
                b.fillUp(rec.line, key, *date, *odo,
                         distance == FileDistance::Unknown ? current.distance : distance, *volume,
                         *measure.litresPerUnit, total, unit, fill);
            } else if (section == QLatin1String("CostCategories")) {
                categoryNames.insert(row.text(CostType, false).trimmed(), row.text(Name, false));
            } else if (section == QLatin1String("Costs")) {
                const QString key = vehicleKey();
                const QString title = row.text(Title);
                const auto date = row.date(row.field(Date), cols.name(Date));
                const QString costText = row.text(Cost).trimmed();
                const QString notes = row.text(Notes, false);
                if (row.ok() && isReminder(row)) {
                    if (!addReminder(b, row, cols, key, title)) {
                        b.broken(rec.line, key, row.problem(), RowKind::Other);
                        return;
                    }
                    // A reminder alone, or the work done together with the next reminder.
                    if (costText.isEmpty() || FileNumber(costText) == 0.0)
                        return;
                }
                const auto cost = row.number(Cost, dot);
                if (!row.ok()) {
                    b.broken(rec.line, key, row.problem(), RowKind::Maintenance);
                    return;
                }
                const QString type = row.text(CostType, false).trimmed();
                b.cost(rec.line, key, *date, *cost, {title, notes},
                       CostCategoryOf({categoryNames.value(type)}, builtInKind(type)));
            }
        });
}

} // namespace

const FileFormat FuelioFormat = {"fuelio", detect, read};
