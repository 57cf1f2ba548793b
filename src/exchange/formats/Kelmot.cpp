#include "Columns.h"
#include "FileBuilder.h"
#include "FillWording.h"
#include "Formats.h"
#include "FormulaGuard.h"
#include "Row.h"
#include "RowReasons.h"
#include "UnitWording.h"

namespace {

enum Column
{
    Kind,
    Registration,
    Date,
    Mileage,
    Unit,
    Amount,
    Price,
    Cost,
    Description,
    Make,
    Model,
    Fuel,
    Capacity,
    RegistrationDate,
    PurchaseDate,
    Fill,
    Category
};

constexpr ColumnName Header[] = {{Kind, "Kelmot Record"},
                                 {Registration, "Registration"},
                                 {Date, "Date"},
                                 {Mileage, "Current Mileage"},
                                 {Unit, "Distance Unit"},
                                 {Amount, "Amount"},
                                 {Price, "Price Per"},
                                 {Cost, "Cost"},
                                 {Description, "Description"},
                                 {Make, "Make"},
                                 {Model, "Model"},
                                 {Fuel, "Fuel"},
                                 {Capacity, "Engine Capacity"},
                                 {RegistrationDate, "Registration Date"},
                                 {PurchaseDate, "Purchase Date"},
                                 {Fill, "Fill"},
                                 {Category, "Category"}};

FileDistance unitOf(QStringView word)
{
    const auto unit = UnitNamed(word);
    if (!unit)
        return FileDistance::Unknown;
    return *unit == DistanceUnitKind::Kilometre ? FileDistance::Kilometres : FileDistance::Miles;
}

bool detect(const QString& line)
{
    return line.startsWith(QLatin1String("Kelmot Record,"), Qt::CaseInsensitive);
}

// One header row, then one record per row with its kind in the first column.
void read(FileBuilder& b)
{
    RecordStream records(b.source(), QLatin1Char(','));
    CsvRecord rec;
    if (!b.next(records, rec))
        return;
    const Columns cols(rec.fields(), Header);
    const QChar dot = QLatin1Char('.');
    // The export guards a text a spreadsheet would run as a formula with a leading apostrophe;
    // UnguardFormula takes exactly that guard away.
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        Row row(b, rec, &cols);
        const QStringView kind = row.field(Kind);
        const QStringView reg = UnguardFormula(row.field(Registration));
        if (kind == u"Vehicle") {
            const QString make = UnguardFormula(row.text(Make)),
                          model = UnguardFormula(row.text(Model)),
                          fuel = UnguardFormula(row.text(Fuel));
            const auto capacity = row.number(Capacity, dot);
            // An empty date is one that was not given.
            const auto detailDate = [&row](Column column) {
                const QStringView t = row.field(column);
                if (t.isEmpty())
                    return std::optional<QDateTime>(QDateTime());
                const auto value = FileDate(t, DayOrder::YearFirst);
                const QString problem =
                    DateProblem(value, t, QString::fromUtf8(Header[column].name));
                if (!problem.isEmpty()) {
                    row.fail(problem);
                    return std::optional<QDateTime>();
                }
                return value;
            };
            const auto regDate = detailDate(RegistrationDate);
            const auto buyDate = detailDate(PurchaseDate);
            if (!row.ok()) {
                b.broken(rec.line, reg.toString(), row.problem());
                continue;
            }
            ImportedVehicle& v = b.vehicle(reg);
            v.plate = v.key;
            v.make = make;
            v.model = model;
            v.fuel = fuel;
            v.engineCapacity = *capacity;
            v.registrationDate = *regDate;
            v.purchaseDate = *buyDate;
        } else if (kind == u"Mileage") {
            const auto date = row.date(row.field(Date), cols.name(Date));
            const auto mileage = row.number(Mileage, dot);
            const QStringView unit = row.field(Unit);
            const auto amount = row.number(Amount, dot);
            const auto price = row.number(Price, dot);
            // Files written before the column have none: every reading a full fill.
            const QString fillWord = row.text(Fill, false);
            const auto fill = FillOfWord(fillWord);
            if (row.ok() && !fill)
                row.fail(QStringLiteral("\"%1\" is not a fill").arg(fillWord));
            if (row.ok() && unitOf(unit) == FileDistance::Unknown)
                b.broken(rec.line, reg.toString(),
                         QStringLiteral("\"%1\" is not a distance unit").arg(unit),
                         RowKind::Reading);
            else if (!row.ok())
                b.broken(rec.line, reg.toString(), row.problem(), RowKind::Reading);
            else {
                ImportedVehicle& v = b.vehicle(reg);
                v.plate = v.key;
                b.addReading(
                    reg, {rec.line, {}, {}, *mileage, unitOf(unit), *amount, *price, *fill}, *date);
            }
        } else if (kind == u"Maintenance") {
            const auto date = row.date(row.field(Date), cols.name(Date));
            const auto cost = row.number(Cost, dot);
            const QString description = UnguardFormula(row.text(Description));
            // Files written before the column have none: every cost of the kind Other.
            QString category = row.text(Category, false).trimmed();
            if (category.isEmpty())
                category = CostCategory::Other;
            if (row.ok() && !CostCategory::All.contains(category))
                row.fail(QStringLiteral("\"%1\" is not a kind of cost").arg(category));
            if (!row.ok()) {
                b.broken(rec.line, reg.toString(), row.problem(), RowKind::Maintenance);
                continue;
            }
            ImportedVehicle& v = b.vehicle(reg);
            v.plate = v.key;
            b.addMaintenance(reg, {rec.line, {}, {}, *cost, description, category}, *date);
        } else if (kind.startsWith(QLatin1String("Removed "))) {
            ++b.file().skippedRows; // kept in the file for the record, never brought back
        } else if (row.ok()) {
            b.broken(rec.line, reg.toString(),
                     QStringLiteral("\"%1\" is not a kind of record").arg(kind));
        } else {
            b.broken(rec.line, reg.toString(), row.problem());
        }
    }
}

} // namespace

const FileFormat KelmotFormat = {"kelmot", detect, read};
