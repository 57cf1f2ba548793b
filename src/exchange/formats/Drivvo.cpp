#include "Columns.h"
#include "FileBuilder.h"
#include "Formats.h"
#include "KindWords.h"
#include "Row.h"
#include "SectionWalk.h"
#include "UnitWords.h"

namespace {

// Drivvo names its columns in the user's language and repeats names within a section, so
// each section is read by position, checked by its number of columns.
struct Section
{
    const char* heading;
    int columns;
};

constexpr Section Vehicle{"##Vehicle", 6}, Refuelling{"##Refuelling", 23}, Expense{"##Expense", 9},
    Service{"##Service", 8};
constexpr Section Sections[] = {Vehicle, Refuelling, Expense, Service};

// Positions within the sections.
constexpr int Name = 0, Model = 1, Plate = 2;
constexpr int Odometer = 0, Date = 1, Cost = 2, Type = 3;
constexpr int FirstFuel = 2, FuelColumns = 5, Fuels = 3; // name, price / L, total, volume, full

bool detect(const QString& line)
{
    return line == QLatin1String(Vehicle.heading) || line == QLatin1String(Refuelling.heading);
}

void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    QString key;
    int headerColumns = 0;
    FileDistance distance = FileDistance::Unknown;
    const QChar dot = QLatin1Char('.');
    const auto headingOf = [](const CsvRecord& rec) -> std::optional<QString> {
        const QString first = rec.field(0).trimmed().toString();
        if (rec.size() != 1 || !first.startsWith(QLatin1String("##")))
            return std::nullopt;
        return first;
    };
    const auto expected = [](const QString& heading) {
        for (const Section& s : Sections)
            if (heading == QLatin1String(s.heading))
                return s.columns;
        return 0;
    };
    WalkSections(
        b, records, headingOf, [&](const QString& section, const CsvRecord& rec, bool header) {
            const int columns = expected(section);
            if (columns == 0)
                return; // a section Kelmot does not read
            if (header) {
                headerColumns = int(rec.size());
                if (section == QLatin1String(Refuelling.heading))
                    distance =
                        DistanceWord(rec.field(Odometer).toString().section(QLatin1Char('('), 1));
                return;
            }
            const RowKind kind = section == QLatin1String(Refuelling.heading) ? RowKind::Reading
                                 : section == QLatin1String(Vehicle.heading)  ? RowKind::Other
                                                                             : RowKind::Maintenance;
            if (headerColumns != columns) {
                b.broken(rec.line, key,
                         QStringLiteral("the %1 section has %2 columns, not the %3 Kelmot reads")
                             .arg(section)
                             .arg(headerColumns)
                             .arg(columns),
                         kind);
                return;
            }
            if (rec.size() != columns && !rec.cutOff) {
                b.broken(rec.line, key,
                         QStringLiteral("the row has %1 fields where its section has %2")
                             .arg(rec.size())
                             .arg(columns),
                         kind);
                return;
            }
            Row row(b, rec);
            const auto field = [&](int i, const char* name) {
                return row.text(i, QString::fromUtf8(name));
            };
            if (section == QLatin1String(Vehicle.heading)) {
                key = field(Name, "Name").trimmed();
                ImportedVehicle& v = b.vehicle(key);
                v.model = field(Model, "Model").trimmed();
                v.plate = field(Plate, "License plate").trimmed();
                if (!row.ok())
                    b.broken(rec.line, key, row.problem());
                return;
            }
            const auto date = row.date(field(Date, "Date"), QStringLiteral("Date"));
            const auto odo = row.number(Odometer, QStringLiteral("Odometer"), dot);
            if (section == QLatin1String(Refuelling.heading)) {
                struct Fuel
                {
                    int line;
                    double volume;
                    std::optional<double> price, total;
                    FillKind fill;
                };
                QVector<Fuel> fuels;
                for (int f = 0; f < Fuels; ++f) {
                    const int at = FirstFuel + f * FuelColumns;
                    const auto volume = row.number(at + 3, QStringLiteral("Volume"), dot, false);
                    if (!volume || *volume <= 0)
                        continue;
                    // Each fuel's "Filled tank completely" is Yes or No.
                    const auto full =
                        YesNoWord(row.text(at + 4, QStringLiteral("Filled tank"), false));
                    fuels.append({rec.line,
                                  *volume,
                                  row.number(at + 1, QStringLiteral("Price / L"), dot, false),
                                  row.number(at + 2, QStringLiteral("Total cost"), dot, false),
                                  {!full.value_or(true), false}});
                }
                if (row.ok() && fuels.isEmpty())
                    row.fail(QStringLiteral("there is no Volume"));
                if (!row.ok()) {
                    b.broken(rec.line, key, row.problem(), RowKind::Reading);
                    return;
                }
                b.vehicle(key).distance = distance;
                for (const Fuel& f : fuels)
                    b.fillUp(f.line, key, *date, *odo, distance, f.volume, 1, f.total, f.price,
                             f.fill);
                return;
            }
            const auto cost = row.number(Cost, QStringLiteral("Total cost"), dot);
            const QString type = field(Type, "Type");
            const QString notes = field(columns - 1, "Notes");
            if (!row.ok()) {
                b.broken(rec.line, key, row.problem(), RowKind::Maintenance);
                return;
            }
            b.vehicle(key);
            // A service whose type names no kind is still a service.
            b.cost(rec.line, key, *date, *cost, {type, notes},
                   CostCategoryOf({type}, section == QLatin1String(Service.heading)
                                              ? CostCategory::Service
                                              : CostCategory::Other));
        });
}

} // namespace

const FileFormat DrivvoFormat = {"drivvo", detect, read};
