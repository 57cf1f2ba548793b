#include "Columns.h"
#include "FileBuilder.h"
#include "Formats.h"
#include "KindWords.h"
#include "Row.h"
#include "RowReasons.h"

namespace {

enum Column
{
    Car,
    Model,
    Odometer,
    FuelDate,
    ServiceDate,
    Price,
    Litres,
    Gallons,
    Kilometres,
    Miles,
    ServiceType,
    SubTypes,
    Notes,
    Partial,
    Missed
};

// Fuelly writes its names with blanks after the commas: matching trims them.
constexpr ColumnName Header[] = {{Car, "car_name"},
                                 {Model, "model"},
                                 {Odometer, "odometer"},
                                 {FuelDate, "fuelup_date"},
                                 {ServiceDate, "service_date"},
                                 {Price, "price"},
                                 {Litres, "litres"},
                                 {Litres, "liters"},
                                 {Gallons, "gallons"},
                                 {Kilometres, "km"},
                                 {Miles, "miles"},
                                 {ServiceType, "service_type"},
                                 {SubTypes, "sub_service_types"},
                                 {Notes, "notes"},
                                 {Partial, "partial_fuelup"},
                                 {Missed, "missed_fuelup"}};

bool detect(const QString& line)
{
    const QStringList names = HeaderNames(line);
    return HeaderHas(names, {"car_name"}) &&
           (HeaderHas(names, {"fuelup_date"}) || HeaderHas(names, {"service_date"}));
}

// Fuel-ups: the unit is in the column names (litres and km, or gallons and miles); price is
// per unit of fuel and there is no total.
void readFuelUps(FileBuilder& b, RecordStream& records, const Columns& cols)
{
    const bool metric = cols.has(Litres);
    const int volume = metric ? Litres : Gallons;
    const double litresPerUnit = metric ? 1 : LitresPerUsGallon;
    const FileDistance distance = cols.has(Kilometres) ? FileDistance::Kilometres
                                  : cols.has(Miles)    ? FileDistance::Miles
                                  : metric             ? FileDistance::Kilometres
                                                       : FileDistance::Miles;
    if (!metric)
        b.note(QStringLiteral("gallons read as US gallons: the file does not say which"));
    const QChar dot = QLatin1Char('.');
    CsvRecord rec;
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        Row row(b, rec, &cols);
        const QStringView key = row.field(Car).trimmed();
        const auto date = row.date(row.field(FuelDate), cols.name(FuelDate));
        const auto odo = row.number(Odometer, dot);
        const auto amount = row.number(volume, dot);
        const auto price = row.number(Price, dot);
        if (!row.ok()) {
            b.broken(rec.line, key.toString(), row.problem(), RowKind::Reading);
            continue;
        }
        ImportedVehicle& v = b.vehicle(key);
        v.distance = distance;
        if (v.model.isEmpty())
            v.model = row.text(Model, false).trimmed();
        // partial_fuelup and missed_fuelup are 1 when so, 0 (or absent, as in a cut file) when not.
        const FillKind fill{YesNoWord(row.text(Partial, false)).value_or(false),
                            YesNoWord(row.text(Missed, false)).value_or(false)};
        b.fillUp(rec.line, key, *date, *odo, distance, *amount, litresPerUnit, std::nullopt, price,
                 fill);
    }
}

// Services: every row a cost; price is the total, and a row without one is a reminder of work
// due at its date and odometer.
void readServices(FileBuilder& b, RecordStream& records, const Columns& cols)
{
    const QChar dot = QLatin1Char('.');
    CsvRecord rec;
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        Row row(b, rec, &cols);
        const QString key = row.text(Car).trimmed();
        const auto date = row.date(row.field(ServiceDate), cols.name(ServiceDate));
        const bool priced = !row.text(Price).trimmed().isEmpty();
        const auto cost = priced ? row.number(Price, dot) : std::optional<double>(0);
        if (!row.ok()) {
            b.broken(rec.line, key, row.problem(), RowKind::Maintenance);
            continue;
        }
        ImportedVehicle& v = b.vehicle(key);
        if (v.model.isEmpty())
            v.model = row.text(Model, false).trimmed();
        QStringList subTypes;
        for (const QString& s : row.text(SubTypes, false).split(QLatin1Char(',')))
            if (!s.trimmed().isEmpty())
                subTypes << QString(s.trimmed()).replace(QLatin1Char('_'), QLatin1Char(' '));
        const QString type = row.text(ServiceType, false).trimmed();
        const QString what = subTypes.isEmpty() ? type : subTypes.join(QStringLiteral(", "));
        if (!priced) {
            const QString notes = row.text(Notes, false).trimmed();
            const double odo = row.text(Odometer, false).trimmed().toDouble();
            b.addReminder({rec.line,
                           key,
                           notes.isEmpty() ? what : what + QStringLiteral(" - ") + notes,
                           {},
                           odo > 0 ? odo : 0},
                          date);
            continue;
        }
        // The sub types say more than the type (service, expense, bought) when they say anything.
        b.cost(rec.line, key, *date, *cost, {what, row.text(Notes, false)},
               CostCategoryOf({what, type}));
    }
}

void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    CsvRecord rec;
    if (!b.next(records, rec))
        return;
    const Columns cols(rec.fields(), Header);
    if (cols.has(ServiceDate) && !cols.has(FuelDate))
        readServices(b, records, cols);
    else
        readFuelUps(b, records, cols);
}

} // namespace

const FileFormat FuellyFormat = {"fuelly", detect, read};
