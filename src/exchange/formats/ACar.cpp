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
    DateFormat,
    Name,
    Make,
    Model,
    Plate,
    Fuel,
    Distance,
    VolumeUnit,
    Vehicle,
    Date,
    Time,
    Odometer,
    Volume,
    UnitPrice,
    Total,
    Type,
    SubTypes,
    Notes,
    Partial,
    Missed
};

constexpr ColumnName Header[] = {{DateFormat, "Date Format"},
                                 {Name, "Name"},
                                 {Make, "Make"},
                                 {Model, "Model"},
                                 {Plate, "License Plate"},
                                 {Fuel, "Fuel Type"},
                                 {Distance, "Distance Unit"},
                                 {VolumeUnit, "Volume Unit"},
                                 {Vehicle, "Vehicle"},
                                 {Date, "Date"},
                                 {Time, "Time"},
                                 {Odometer, "Odometer Reading"},
                                 {Volume, "Volume"},
                                 {UnitPrice, "Price per Unit"},
                                 {Total, "Total Cost"},
                                 {Type, "Type"},
                                 {SubTypes, "Sub Types"},
                                 {Notes, "Notes"},
                                 {Partial, "Partial Fill-Up?"},
                                 {Missed, "Previously Missed Fill-Ups?"}};

const QStringList Sections = {"Metadata",      "Vehicles",        "Fill-Up Records",
                              "Event Records", "Service Records", "Trip Records"};

// A section's columns. Event Records name "Place City" twice but hold it once: rows one field
// short of the header read with the repeated names left out.
struct SectionColumns
{
    Columns full, short_;
    int repeats = 0;
    void set(const QStringList& header)
    {
        full = Columns(header, Header);
        QStringList once;
        for (const QString& h : header)
            if (!once.contains(h.trimmed(), Qt::CaseInsensitive))
                once << h.trimmed();
        repeats = int(header.size() - once.size());
        short_ = Columns(once, Header);
    }
    const Columns& forRow(const CsvRecord& rec) const
    {
        return repeats > 0 && rec.size() == full.size() - repeats ? short_ : full;
    }
};

bool detect(const QString& line)
{
    return line == QLatin1String("Metadata");
}

// Bare section lines, each section a header row and its rows; dates as Metadata says.
void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    SectionColumns section;
    QHash<QString, double> litresOf; // each vehicle's volume unit
    const QChar dot = QLatin1Char('.');
    const auto headingOf = [](const CsvRecord& rec) -> std::optional<QString> {
        if (rec.size() != 1 || !Sections.contains(rec.field(0).trimmed()))
            return std::nullopt;
        return rec.field(0).trimmed().toString();
    };
    WalkSections(
        b, records, headingOf, [&](const QString& name, const CsvRecord& rec, bool header) {
            if (header) {
                section.set(rec.fields());
                return;
            }
            const Columns& cols = section.forRow(rec);
            Row row(b, rec, &cols);
            if (name == QLatin1String("Metadata")) {
                b.declareDateOrder(row.text(DateFormat, false),
                                   QStringLiteral("the file's Metadata"));
            } else if (name == QLatin1String("Vehicles")) {
                const QString key = row.text(Name).trimmed();
                if (!row.ok()) {
                    b.broken(rec.line, {}, row.problem());
                    return;
                }
                ImportedVehicle& v = b.vehicle(key);
                v.make = row.text(Make, false).trimmed();
                v.model = row.text(Model, false).trimmed();
                v.plate = row.text(Plate, false).trimmed();
                v.fuel = row.text(Fuel, false).trimmed();
                v.distance = DistanceWord(row.text(Distance, false));
                if (const auto litres = LitresPerVolumeWord(row.text(VolumeUnit, false)))
                    litresOf[key] = *litres;
            } else if (name == QLatin1String("Fill-Up Records") ||
                       name == QLatin1String("Event Records") ||
                       name == QLatin1String("Service Records")) {
                const QString key = row.text(Vehicle).trimmed();
                QString when = row.text(Date);
                const QString time = row.text(Time, false).trimmed();
                if (!time.isEmpty())
                    when += QLatin1Char(' ') + time;
                const auto date = row.date(when, cols.name(Date));
                if (name == QLatin1String("Fill-Up Records")) {
                    const auto odo = row.number(Odometer, dot);
                    const auto volume = row.number(Volume, dot);
                    const auto unit = row.number(UnitPrice, dot, false);
                    const auto total = row.number(Total, dot, false);
                    const FileDistance distance = DistanceWord(row.text(Distance, false));
                    const QString volumeWord = row.text(VolumeUnit, false).trimmed();
                    if (!row.ok()) {
                        b.broken(rec.line, key, row.problem(), RowKind::Reading);
                        return;
                    }
                    b.vehicle(key);
                    // "gal" alone: the gallon the vehicle is set to.
                    std::optional<double> litres = LitresPerVolumeWord(volumeWord);
                    if (volumeWord.isEmpty() ||
                        volumeWord.compare(QLatin1String("gal"), Qt::CaseInsensitive) == 0)
                        litres = litresOf.value(key, litres.value_or(1));
                    if (!litres) {
                        b.broken(rec.line, key, UnstorableFuelReason(volumeWord), RowKind::Reading);
                        return;
                    }
                    // "Yes" / "No" for a partial fill and for fill-ups missed before this one.
                    const FillKind fill{YesNoWord(row.text(Partial, false)).value_or(false),
                                        YesNoWord(row.text(Missed, false)).value_or(false)};
                    b.fillUp(rec.line, key, *date, *odo, distance, *volume, *litres, total, unit,
                             fill);
                } else {
                    const auto cost = row.number(Total, dot);
                    const QString type = row.text(Type, false);
                    const QString sub = row.text(SubTypes, false);
                    const QString notes = row.text(Notes, false);
                    if (!row.ok()) {
                        b.broken(rec.line, key, row.problem(), RowKind::Maintenance);
                        return;
                    }
                    b.vehicle(key);
                    b.cost(rec.line, key, *date, *cost, {type, sub, notes},
                           CostCategoryOf({sub, type}));
                }
            }
        });
}

} // namespace

const FileFormat ACarFormat = {"acar", detect, read};
