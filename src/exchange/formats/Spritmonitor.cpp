#include "Columns.h"
#include "FileBuilder.h"
#include "Formats.h"
#include "KindWords.h"
#include "Row.h"

namespace {

enum Column
{
    Date,
    Odometer,
    Quantity,
    Total,
    Fuel,
    Note,
    CostType,
    TankType
};

// The header is in the user's language: each meaning by its English and German name.
constexpr ColumnName Header[] = {
    {Date, "Date"},          {Date, "Datum"},        {Odometer, "Odometer"},
    {Odometer, "Km-Stand"},  {Quantity, "Quantity"}, {Quantity, "Spritmenge"},
    {Total, "Total price"},  {Total, "Kosten"},      {Fuel, "Fuel"},
    {Fuel, "Kraftstoff"},    {Note, "Note"},         {Note, "Bemerkung"},
    {CostType, "Cost type"}, {TankType, "Tankart"}};

bool isHeader(const CsvRecord& rec)
{
    const QStringView first = rec.field(0).trimmed();
    if (first.compare(QLatin1String("Date"), Qt::CaseInsensitive) != 0 &&
        first.compare(QLatin1String("Datum"), Qt::CaseInsensitive) != 0)
        return false;
    const Columns cols(rec.fields(), Header);
    return cols.at(Date) == 0 && cols.has(Odometer);
}

bool detect(const QString& line)
{
    return line.startsWith(QLatin1String("Date;Odometer;"), Qt::CaseInsensitive) ||
           line.startsWith(QLatin1String("Datum;Km-Stand;"), Qt::CaseInsensitive);
}

// ";" separated, decimal comma, kilometres and litres, no vehicle named; quotes inside notes
// escaped with a backslash. A file of fuelings, of costs, or both, each with its header row.
void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(';'), true);
    const QString key;
    ImportedVehicle& v = b.vehicle(key);
    v.name.clear();
    v.distance = FileDistance::Kilometres;
    Columns cols;
    bool costs = false;
    const QChar comma = QLatin1Char(',');
    CsvRecord rec;
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        if (isHeader(rec)) {
            cols = Columns(rec.fields(), Header);
            costs = cols.has(CostType);
            continue;
        }
        Row row(b, rec, &cols);
        const auto date = row.date(row.field(Date), cols.name(Date));
        if (costs) {
            const auto cost = row.number(Total, comma);
            const QString type = row.text(CostType, false);
            const QString note = row.text(Note, false);
            if (!row.ok()) {
                b.broken(rec.line, key, row.problem(), RowKind::Maintenance);
                continue;
            }
            b.cost(rec.line, key, *date, *cost, {type, note}, CostCategoryOf({type}));
        } else {
            const auto odo = row.number(Odometer, comma);
            const auto volume = row.number(Quantity, comma);
            const auto total = row.number(Total, comma);
            const QString fuel = row.text(Fuel, false).trimmed();
            if (!row.ok()) {
                b.broken(rec.line, key, row.problem(), RowKind::Reading);
                continue;
            }
            // The German export writes a fuel's number, not its name.
            bool code = false;
            fuel.toInt(&code);
            ImportedVehicle& vehicle = b.file().vehicles.first();
            if (vehicle.fuel.isEmpty() && !code)
                vehicle.fuel = fuel;
            // Tankart 1 is a full tank, 2 a partial one; 0 and 3 only start a log: full.
            const FillKind fill{row.text(TankType, false).trimmed() == QLatin1String("2"), false};
            b.fillUp(rec.line, key, *date, *odo, FileDistance::Kilometres, *volume, 1, total,
                     std::nullopt, fill);
        }
    }
}

} // namespace

const FileFormat SpritmonitorFormat = {"spritmonitor", detect, read};
