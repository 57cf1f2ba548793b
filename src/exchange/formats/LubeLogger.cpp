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
    FuelConsumed,
    Cost,
    Description,
    Notes,
    FillToFull,
    Missed
};

constexpr ColumnName Header[] = {{Date, "Date"},
                                 {Odometer, "Odometer"},
                                 {FuelConsumed, "FuelConsumed"},
                                 {Cost, "Cost"},
                                 {Description, "Description"},
                                 {Notes, "Notes"},
                                 {FillToFull, "IsFillToFull"},
                                 {Missed, "MissedFuelUp"}};

bool detect(const QString& line)
{
    const QStringList names = HeaderNames(line);
    return HeaderHas(names, {"Date", "Odometer", "FuelConsumed", "Cost"}) ||
           HeaderHas(names, {"Date", "Odometer", "Description", "Notes", "Cost"});
}

// The decimal mark of the whole file: a comma when some figure can only be read with one.
QChar decimalMark(const QVector<CsvRecord>& rows, std::initializer_list<int> columns)
{
    for (const CsvRecord& rec : rows)
        for (const int c : columns) {
            if (c < 0 || c >= rec.size())
                continue;
            const QStringView t = rec.field(c);
            const qsizetype comma = t.lastIndexOf(QLatin1Char(','));
            if (comma < 0 || t.lastIndexOf(QLatin1Char('.')) > comma)
                continue;
            qsizetype after = 0;
            while (comma + 1 + after < t.size() && t[comma + 1 + after].isDigit())
                ++after;
            if (after != 3 || t.lastIndexOf(QLatin1Char('.')) >= 0)
                return QLatin1Char(',');
        }
    return QLatin1Char('.');
}

QString unitWords(VolumeUnit unit)
{
    switch (unit) {
    case VolumeUnit::UsGallon:
        return QStringLiteral("US gallons");
    case VolumeUnit::ImperialGallon:
        return QStringLiteral("imperial gallons");
    case VolumeUnit::Litre:
        break;
    }
    return QStringLiteral("litres");
}

double litresPer(VolumeUnit unit)
{
    return unit == VolumeUnit::UsGallon         ? LitresPerUsGallon
           : unit == VolumeUnit::ImperialGallon ? LitresPerImperialGallon
                                                : 1;
}

// Fuel records or service (repair, upgrade) records, written in the exporting machine's date
// and number forms; no unit and no vehicle named. The rows are kept until the decimal mark is
// known, as they would be for the plan anyway.
void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    const QString key;
    b.vehicle(key).name.clear();
    CsvRecord rec;
    if (!b.next(records, rec))
        return;
    const Columns cols(rec.fields(), Header);
    QVector<CsvRecord> rows;
    while (b.next(records, rec))
        if (!rec.blank())
            rows.append(std::move(rec)); // read into afresh: it is kept
    const bool fuel = cols.has(FuelConsumed);
    const QChar decimal =
        decimalMark(rows, {cols.at(Odometer), cols.at(FuelConsumed), cols.at(Cost)});
    const VolumeUnit unit = b.options().volumeUnit;
    if (fuel)
        b.vehicleNote(key, QStringLiteral("the file states no units: readings taken in the log's "
                                          "own distance unit, fuel as %1")
                               .arg(unitWords(unit)));
    for (const CsvRecord& r : rows) {
        Row row(b, r, &cols);
        const auto date = row.date(row.field(Date), cols.name(Date));
        if (fuel) {
            const auto odo = row.number(Odometer, decimal);
            const auto volume = row.number(FuelConsumed, decimal);
            const auto total = row.number(Cost, decimal);
            if (!row.ok()) {
                b.broken(r.line, key, row.problem(), RowKind::Reading);
                continue;
            }
            // IsFillToFull False is a partial fill; True/False in any case.
            const FillKind fill{!YesNoWord(row.text(FillToFull, false)).value_or(true),
                                YesNoWord(row.text(Missed, false)).value_or(false)};
            b.fillUp(r.line, key, *date, *odo, FileDistance::Unknown, *volume, litresPer(unit),
                     total, std::nullopt, fill);
        } else {
            const QString description = row.text(Description);
            const auto cost = row.number(Cost, decimal);
            if (!row.ok()) {
                b.broken(r.line, key, row.problem(), RowKind::Maintenance);
                continue;
            }
            // The records name no kind: the description's words tell it.
            b.cost(r.line, key, *date, *cost, {description, row.text(Notes, false)},
                   CostCategoryOf({description}));
        }
    }
}

} // namespace

const FileFormat LubeLoggerFormat = {"lubelogger", detect, read};
