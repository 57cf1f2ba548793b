#include "FileFormats.h"

#include "Csv.h"
#include "FileValues.h"
#include "TextConversions.h"

#include <QHash>
#include <optional>

namespace {

// The columns of a header row, found by name without regard to case; a name also matches a
// header that adds a unit in brackets ("Odo (km)").
class Columns
{
public:
    Columns() = default;
    explicit Columns(const QStringList& header)
    {
        for (int i = 0; i < header.size(); ++i)
            names_.append(header[i].trimmed().toLower());
    }
    int find(std::initializer_list<const char*> candidates) const
    {
        for (const char* candidate : candidates) {
            const QString want = QString::fromUtf8(candidate).toLower();
            for (int i = 0; i < names_.size(); ++i)
                if (names_[i] == want || names_[i].startsWith(want + QLatin1String(" (")))
                    return i;
        }
        return -1;
    }
    bool has(const char* name) const { return find({name}) >= 0; }

private:
    QStringList names_;
};

// Reads the fields of one record, keeping the first reason it is broken.
class Row
{
public:
    explicit Row(const CsvRecord& record) : record_(record)
    {
        if (record.cutOff)
            problem_ = QStringLiteral("the line is cut off (a quoted field is not closed)");
    }
    bool ok() const { return problem_.isEmpty(); }
    const QString& problem() const { return problem_; }

    // The field's text; a missing column breaks the row unless it is optional (-1: no column).
    QString text(int column, const char* name, bool required = true)
    {
        if (column < 0 || column >= record_.fields.size()) {
            if (required && ok())
                problem_ = column < 0 ? QStringLiteral("the file has no column %1").arg(name)
                                      : QStringLiteral("the column %1 is missing").arg(name);
            return {};
        }
        return record_.fields[column];
    }
    // A number; an empty field gives nothing (an error only when required).
    std::optional<double> number(int column, const char* name, QChar decimal, bool required = true)
    {
        const QString t = text(column, name, required).trimmed();
        if (t.isEmpty()) {
            if (required && ok())
                problem_ = QStringLiteral("there is no %1").arg(name);
            return std::nullopt;
        }
        auto value = FileNumber(t, decimal);
        if (!value && ok())
            problem_ = QStringLiteral("\"%1\" in %2 is not a number").arg(t, name);
        return value;
    }
    std::optional<QDateTime> date(const QString& t, const char* name, DayOrder order)
    {
        if (t.trimmed().isEmpty()) {
            if (ok())
                problem_ = QStringLiteral("there is no %1").arg(name);
            return std::nullopt;
        }
        auto value = FileDate(t, order);
        if (!value && ok())
            problem_ = QStringLiteral("\"%1\" in %2 is not a date").arg(t.trimmed(), name);
        return value;
    }

private:
    const CsvRecord& record_;
    QString problem_;
};

// Shared by the readers: the file being built and its progress.
class Builder
{
public:
    Builder(const char* format, const ExchangeProgress& progress, qsizetype total)
        : progress_(progress), total_(total)
    {
        file.format = QString::fromLatin1(format);
    }
    void tick(qsizetype done)
    {
        if (progress_ && (done & 1023) == 0 && !progress_(done, total_))
            throw ExchangeCancelled();
    }
    ImportedVehicle& vehicle(const QString& key)
    {
        for (auto& v : file.vehicles)
            if (v.key == key)
                return v;
        ImportedVehicle v;
        v.key = key;
        v.name = key;
        file.vehicles.append(v);
        return file.vehicles.last();
    }
    void broken(const CsvRecord& record, const QString& key, const QString& reason)
    {
        file.broken.append({record.line, key, reason});
    }
    // A fill-up in Kelmot's terms: the total paid (unit price x volume when there is none) and
    // the price per litre.
    void fillUp(const CsvRecord& record, const QString& key, const QDateTime& date, double odometer,
                FileDistance distance, double volume, double litresPerUnit,
                std::optional<double> total, std::optional<double> unitPrice)
    {
        ImportedReading r;
        r.line = record.line;
        r.vehicleKey = key;
        r.date = date;
        r.odometer = odometer;
        r.distance = distance;
        const double litres = volume * litresPerUnit;
        r.amount = total && *total > 0 ? *total : (unitPrice ? *unitPrice * volume : 0);
        if (unitPrice && *unitPrice > 0)
            r.pricePerLitre = *unitPrice / litresPerUnit;
        else if (litres > 0)
            r.pricePerLitre = r.amount / litres;
        file.readings.append(r);
    }
    void cost(const CsvRecord& record, const QString& key, const QDateTime& date, double cost,
              const QStringList& descriptionParts)
    {
        QStringList parts;
        for (const QString& p : descriptionParts)
            if (!p.trimmed().isEmpty())
                parts << p.trimmed();
        file.maintenance.append({record.line, key, date, cost, parts.join(QStringLiteral(" - "))});
    }

    ImportFile file;

private:
    const ExchangeProgress& progress_;
    qsizetype total_;
};

FileDistance distanceWord(const QString& word)
{
    const QString w = word.trimmed().toUpper();
    if (w.startsWith(QLatin1String("MI")))
        return FileDistance::Miles;
    if (w.startsWith(QLatin1String("K")))
        return FileDistance::Kilometres;
    return FileDistance::Unknown;
}

// aCar's volume words: US_GALLON, IMPERIAL_GALLON (or UK_GALLON), LITER.
double litresPerVolumeWord(const QString& word)
{
    const QString w = word.trimmed().toUpper();
    if (w.contains(QLatin1String("IMP")) || w.contains(QLatin1String("UK")))
        return LitresPerImperialGallon;
    if (w.contains(QLatin1String("GAL")))
        return LitresPerUsGallon;
    return 1;
}

QString firstNonBlank(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QString line = text.mid(start, end - start).trimmed();
        if (!line.isEmpty())
            return line.remove(QLatin1Char('"'));
        start = end + 1;
    }
    return {};
}

// Walks a file of sections: a heading line, a header row, then the section's rows. headingOf
// gives the section a line heads, or nothing when it is not a heading; visit gets each row with
// its section and columns.
template <typename HeadingOf, typename Visit>
void WalkSections(const QVector<CsvRecord>& records, Builder& b, HeadingOf headingOf, Visit visit)
{
    QString section;
    Columns cols;
    bool header = false;
    for (qsizetype i = 0; i < records.size(); ++i) {
        b.tick(i);
        const CsvRecord& rec = records[i];
        if (rec.blank())
            continue;
        if (const std::optional<QString> heading = headingOf(rec)) {
            section = *heading;
            header = true;
            continue;
        }
        if (header) {
            cols = Columns(rec.fields);
            header = false;
            continue;
        }
        visit(section, cols, rec);
    }
}

// Fuelio: "## Vehicle", "## Log", "## Costs" sections, each with a header row.
ImportFile readFuelio(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text);
    Builder b("fuelio", progress, records.size());
    QString key;
    double litresPerUnit = 1;
    int vehicles = 0;
    const auto headingOf = [](const CsvRecord& rec) -> std::optional<QString> {
        const QString first = rec.fields.first().trimmed();
        if (!first.startsWith(QLatin1String("## ")))
            return std::nullopt;
        return first.mid(3).trimmed();
    };
    WalkSections(
        records, b, headingOf,
        [&](const QString& section, const Columns& cols, const CsvRecord& rec) {
            Row row(rec);
            const QChar dot = QLatin1Char('.');
            if (section == QLatin1String("Vehicle")) {
                ++vehicles;
                const QString name = row.text(cols.find({"Name"}), "Name").trimmed();
                key = name.isEmpty() ? QStringLiteral("Vehicle %1").arg(vehicles) : name;
                ImportedVehicle& v = b.vehicle(key);
                v.plate = row.text(cols.find({"Plate"}), "Plate", false).trimmed();
                v.make = row.text(cols.find({"Make"}), "Make", false).trimmed();
                v.model = row.text(cols.find({"Model"}), "Model", false).trimmed();
                const QString dist = row.text(cols.find({"DistUnit"}), "DistUnit", false).trimmed();
                v.distance =
                    dist == QLatin1String("1") ? FileDistance::Miles : FileDistance::Kilometres;
                const QString fuel = row.text(cols.find({"FuelUnit"}), "FuelUnit", false).trimmed();
                litresPerUnit = fuel == QLatin1String("1")   ? LitresPerUsGallon
                                : fuel == QLatin1String("2") ? LitresPerImperialGallon
                                                             : 1;
                if (!row.ok())
                    b.broken(rec, key, row.problem());
            } else if (section == QLatin1String("Log")) {
                if (key.isEmpty())
                    key = b.vehicle(QStringLiteral("Vehicle 1")).key;
                const auto date = row.date(row.text(cols.find({"Data", "Date"}), "Data"), "Data",
                                           DayOrder::YearFirst);
                const auto odo = row.number(cols.find({"Odo"}), "Odo", dot);
                const auto volume = row.number(cols.find({"Fuel"}), "Fuel", dot);
                const auto total = row.number(cols.find({"Price"}), "Price", dot, false);
                const auto unit = row.number(cols.find({"VolumePrice"}), "VolumePrice", dot, false);
                if (!row.ok()) {
                    b.broken(rec, key, row.problem());
                    return;
                }
                b.fillUp(rec, key, *date, *odo, FileDistance::Unknown, *volume, litresPerUnit,
                         total, unit);
            } else if (section == QLatin1String("Costs")) {
                if (key.isEmpty())
                    key = b.vehicle(QStringLiteral("Vehicle 1")).key;
                const QString title = row.text(cols.find({"CostTitle"}), "CostTitle");
                const auto date =
                    row.date(row.text(cols.find({"Date"}), "Date"), "Date", DayOrder::YearFirst);
                const auto cost = row.number(cols.find({"Cost"}), "Cost", dot);
                const QString notes = row.text(cols.find({"Notes"}), "Notes", false);
                if (!row.ok()) {
                    b.broken(rec, key, row.problem());
                    return;
                }
                b.cost(rec, key, *date, *cost, {title, notes});
            }
        });
    return b.file;
}

// aCar: bare section lines, each section a header row and its rows; dates as Metadata says.
ImportFile readACar(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text);
    Builder b("acar", progress, records.size());
    static const QStringList sections = {"Metadata",      "Vehicles",        "Fill-Up Records",
                                         "Event Records", "Service Records", "Trip Records"};
    DayOrder order = DayOrder::MonthFirst;
    const QChar dot = QLatin1Char('.');
    const auto headingOf = [](const CsvRecord& rec) -> std::optional<QString> {
        if (rec.fields.size() != 1 || !sections.contains(rec.fields.first().trimmed()))
            return std::nullopt;
        return rec.fields.first().trimmed();
    };
    WalkSections(
        records, b, headingOf,
        [&](const QString& section, const Columns& cols, const CsvRecord& rec) {
            Row row(rec);
            if (section == QLatin1String("Metadata")) {
                const QString pattern = row.text(cols.find({"Date Format"}), "Date Format", false);
                if (!pattern.trimmed().isEmpty())
                    order = OrderOfPattern(pattern);
            } else if (section == QLatin1String("Vehicles")) {
                const QString name = row.text(cols.find({"Name"}), "Name").trimmed();
                if (!row.ok()) {
                    b.broken(rec, {}, row.problem());
                    return;
                }
                ImportedVehicle& v = b.vehicle(name);
                v.make = row.text(cols.find({"Make"}), "Make", false).trimmed();
                v.model = row.text(cols.find({"Model"}), "Model", false).trimmed();
                v.plate = row.text(cols.find({"License Plate"}), "License Plate", false).trimmed();
                v.fuel = row.text(cols.find({"Fuel Type"}), "Fuel Type", false).trimmed();
                v.distance =
                    distanceWord(row.text(cols.find({"Distance Unit"}), "Distance Unit", false));
            } else if (section == QLatin1String("Fill-Up Records") ||
                       section == QLatin1String("Event Records") ||
                       section == QLatin1String("Service Records")) {
                const QString key = row.text(cols.find({"Vehicle"}), "Vehicle").trimmed();
                QString when = row.text(cols.find({"Date"}), "Date");
                const QString time = row.text(cols.find({"Time"}), "Time", false).trimmed();
                if (!time.isEmpty())
                    when += QLatin1Char(' ') + time;
                const auto date = row.date(when, "Date", order);
                if (section == QLatin1String("Fill-Up Records")) {
                    const auto odo =
                        row.number(cols.find({"Odometer Reading"}), "Odometer Reading", dot);
                    const auto volume = row.number(cols.find({"Volume"}), "Volume", dot);
                    const auto unit =
                        row.number(cols.find({"Price per Unit"}), "Price per Unit", dot, false);
                    const auto total =
                        row.number(cols.find({"Total Cost"}), "Total Cost", dot, false);
                    const FileDistance distance = distanceWord(
                        row.text(cols.find({"Distance Unit"}), "Distance Unit", false));
                    const double litres = litresPerVolumeWord(
                        row.text(cols.find({"Volume Unit"}), "Volume Unit", false));
                    if (!row.ok()) {
                        b.broken(rec, key, row.problem());
                        return;
                    }
                    b.vehicle(key);
                    b.fillUp(rec, key, *date, *odo, distance, *volume, litres, total, unit);
                } else {
                    const auto cost = row.number(cols.find({"Total Cost"}), "Total Cost", dot);
                    const QString type = row.text(cols.find({"Type"}), "Type", false);
                    const QString sub = row.text(cols.find({"Sub Types"}), "Sub Types", false);
                    const QString notes = row.text(cols.find({"Notes"}), "Notes", false);
                    if (!row.ok()) {
                        b.broken(rec, key, row.problem());
                        return;
                    }
                    b.vehicle(key);
                    b.cost(rec, key, *date, *cost, {type, sub, notes});
                }
            }
        });
    return b.file;
}

// Fuelly: one header row; "gallons" and miles, or the metric "litres" and km.
ImportFile readFuelly(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text);
    Builder b("fuelly", progress, records.size());
    if (records.isEmpty())
        return b.file;
    const Columns cols(records.first().fields);
    const bool metric = cols.has("litres") || cols.has("liters") || cols.has("km");
    const int volumeColumn = metric ? cols.find({"litres", "liters"}) : cols.find({"gallons"});
    const double litresPerUnit = metric ? 1 : LitresPerUsGallon;
    const FileDistance distance = metric ? FileDistance::Kilometres : FileDistance::Miles;
    const QChar dot = QLatin1Char('.');
    for (qsizetype i = 1; i < records.size(); ++i) {
        b.tick(i);
        const CsvRecord& rec = records[i];
        if (rec.blank())
            continue;
        Row row(rec);
        const QString key = row.text(cols.find({"car_name"}), "car_name").trimmed();
        const auto date = row.date(row.text(cols.find({"fuelup_date"}), "fuelup_date"),
                                   "fuelup_date", DayOrder::MonthFirst);
        const auto odo = row.number(cols.find({"odometer"}), "odometer", dot);
        const auto volume = row.number(volumeColumn, metric ? "litres" : "gallons", dot);
        const auto price = row.number(cols.find({"price"}), "price", dot);
        if (!row.ok()) {
            b.broken(rec, key, row.problem());
            continue;
        }
        ImportedVehicle& v = b.vehicle(key);
        v.distance = distance;
        if (v.model.isEmpty())
            v.model = row.text(cols.find({"model"}), "model", false).trimmed();
        b.fillUp(rec, key, *date, *odo, distance, *volume, litresPerUnit, std::nullopt, price);
    }
    return b.file;
}

// Spritmonitor: ";" separated, decimal comma, day-first dates, kilometres and litres; a file
// of fuelings, of costs, or both one after the other, each with its header row.
ImportFile readSpritmonitor(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text, QLatin1Char(';'));
    Builder b("spritmonitor", progress, records.size());
    const QString key;
    ImportedVehicle& v = b.vehicle(key);
    v.name.clear();
    v.distance = FileDistance::Kilometres;
    Columns cols;
    bool costs = false;
    const QChar comma = QLatin1Char(',');
    for (qsizetype i = 0; i < records.size(); ++i) {
        b.tick(i);
        const CsvRecord& rec = records[i];
        if (rec.blank())
            continue;
        if (rec.fields.first().trimmed() == QLatin1String("Date") &&
            rec.fields.contains(QStringLiteral("Odometer"))) {
            cols = Columns(rec.fields);
            costs = cols.has("Cost type");
            continue;
        }
        Row row(rec);
        const auto date =
            row.date(row.text(cols.find({"Date"}), "Date"), "Date", DayOrder::DayFirst);
        if (costs) {
            const auto cost = row.number(cols.find({"Total price"}), "Total price", comma);
            const QString type = row.text(cols.find({"Cost type"}), "Cost type", false);
            const QString note = row.text(cols.find({"Note"}), "Note", false);
            if (!row.ok()) {
                b.broken(rec, key, row.problem());
                continue;
            }
            b.cost(rec, key, *date, *cost, {type, note});
        } else {
            const auto odo = row.number(cols.find({"Odometer"}), "Odometer", comma);
            const auto volume = row.number(cols.find({"Quantity"}), "Quantity", comma);
            const auto total = row.number(cols.find({"Total price"}), "Total price", comma);
            const QString fuel = row.text(cols.find({"Fuel"}), "Fuel", false).trimmed();
            if (!row.ok()) {
                b.broken(rec, key, row.problem());
                continue;
            }
            if (b.file.vehicles.first().fuel.isEmpty())
                b.file.vehicles.first().fuel = fuel;
            b.fillUp(rec, key, *date, *odo, FileDistance::Kilometres, *volume, 1, total,
                     std::nullopt);
        }
    }
    return b.file;
}

// LubeLogger: the exporting machine's date and number forms, so ISO or day-first dates and
// either decimal mark (decided once for the whole file); litres, in the log's own distance unit.
ImportFile readLubeLogger(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text);
    Builder b("lubelogger", progress, records.size());
    const QString key;
    b.vehicle(key).name.clear();
    if (records.isEmpty())
        return b.file;
    const Columns cols(records.first().fields);
    const int dateCol = cols.find({"Date"}), odoCol = cols.find({"Odometer"}),
              fuelCol = cols.find({"FuelConsumed"}), costCol = cols.find({"Cost"});
    QChar decimal = QLatin1Char('.');
    for (qsizetype i = 1; i < records.size() && decimal == QLatin1Char('.'); ++i)
        for (int c : {odoCol, fuelCol, costCol})
            if (c >= 0 && c < records[i].fields.size()) {
                const QString& t = records[i].fields[c];
                const qsizetype comma = t.lastIndexOf(QLatin1Char(','));
                if (comma < 0 || t.lastIndexOf(QLatin1Char('.')) > comma)
                    continue;
                qsizetype after = 0;
                while (comma + 1 + after < t.size() && t[comma + 1 + after].isDigit())
                    ++after;
                if (after != 3 || t.lastIndexOf(QLatin1Char('.')) >= 0)
                    decimal = QLatin1Char(',');
            }
    for (qsizetype i = 1; i < records.size(); ++i) {
        b.tick(i);
        const CsvRecord& rec = records[i];
        if (rec.blank())
            continue;
        Row row(rec);
        const QString when = row.text(dateCol, "Date").trimmed();
        const bool iso = when.size() >= 4 && when.left(4).toInt() > 31;
        const auto date = row.date(when, "Date", iso ? DayOrder::YearFirst : DayOrder::DayFirst);
        const auto odo = row.number(odoCol, "Odometer", decimal);
        const auto volume = row.number(fuelCol, "FuelConsumed", decimal);
        const auto total = row.number(costCol, "Cost", decimal);
        if (!row.ok()) {
            b.broken(rec, key, row.problem());
            continue;
        }
        b.fillUp(rec, key, *date, *odo, FileDistance::Unknown, *volume, 1, total, std::nullopt);
    }
    return b.file;
}

FileDistance kelmotUnit(const QString& word)
{
    if (word == QLatin1String("Kilometre"))
        return FileDistance::Kilometres;
    if (word == QLatin1String("Mile"))
        return FileDistance::Miles;
    return FileDistance::Unknown;
}

// Kelmot's own export: one header row, a record kind in the first column.
ImportFile readKelmot(const QString& text, const ExchangeProgress& progress)
{
    const auto records = ReadCsv(text);
    Builder b("kelmot", progress, records.size());
    if (records.isEmpty())
        return b.file;
    const Columns cols(records.first().fields);
    const int kindCol = cols.find({"Kelmot Record"}), regCol = cols.find({"Registration"}),
              dateCol = cols.find({"Date"}), mileageCol = cols.find({"Current Mileage"}),
              unitCol = cols.find({"Distance Unit"}), amountCol = cols.find({"Amount"}),
              priceCol = cols.find({"Price Per"}), costCol = cols.find({"Cost"}),
              descCol = cols.find({"Description"}), makeCol = cols.find({"Make"}),
              modelCol = cols.find({"Model"}), fuelCol = cols.find({"Fuel"}),
              capCol = cols.find({"Engine Capacity"}),
              regDateCol = cols.find({"Registration Date"}),
              buyDateCol = cols.find({"Purchase Date"});
    const QChar dot = QLatin1Char('.');
    for (qsizetype i = 1; i < records.size(); ++i) {
        b.tick(i);
        const CsvRecord& rec = records[i];
        if (rec.blank())
            continue;
        Row row(rec);
        const QString kind = row.text(kindCol, "Kelmot Record");
        const QString reg = row.text(regCol, "Registration");
        if (kind == QLatin1String("Vehicle")) {
            const QString make = row.text(makeCol, "Make"), model = row.text(modelCol, "Model"),
                          fuel = row.text(fuelCol, "Fuel");
            const auto capacity = row.number(capCol, "Engine Capacity", dot);
            // An empty date is one that was not given.
            const auto detailDate = [&row](int column, const char* name) {
                const QString t = row.text(column, name);
                return t.isEmpty() ? std::optional<QDateTime>(QDateTime())
                                   : row.date(t, name, DayOrder::YearFirst);
            };
            const auto regDate = detailDate(regDateCol, "Registration Date");
            const auto buyDate = detailDate(buyDateCol, "Purchase Date");
            if (!row.ok()) {
                b.broken(rec, reg, row.problem());
                continue;
            }
            ImportedVehicle& v = b.vehicle(reg);
            v.plate = reg;
            v.make = make;
            v.model = model;
            v.fuel = fuel;
            v.engineCapacity = *capacity;
            v.registrationDate = *regDate;
            v.purchaseDate = *buyDate;
        } else if (kind == QLatin1String("Mileage")) {
            const auto date = row.date(row.text(dateCol, "Date"), "Date", DayOrder::YearFirst);
            const auto mileage = row.number(mileageCol, "Current Mileage", dot);
            const QString unit = row.text(unitCol, "Distance Unit");
            const auto amount = row.number(amountCol, "Amount", dot);
            const auto price = row.number(priceCol, "Price Per", dot);
            if (row.ok() && kelmotUnit(unit) == FileDistance::Unknown)
                b.broken(rec, reg, QStringLiteral("\"%1\" is not a distance unit").arg(unit));
            else if (!row.ok())
                b.broken(rec, reg, row.problem());
            else {
                b.vehicle(reg).plate = reg;
                b.file.readings.append(
                    {rec.line, reg, *date, *mileage, kelmotUnit(unit), *amount, *price});
            }
        } else if (kind == QLatin1String("Maintenance")) {
            const auto date = row.date(row.text(dateCol, "Date"), "Date", DayOrder::YearFirst);
            const auto cost = row.number(costCol, "Cost", dot);
            const QString description = row.text(descCol, "Description");
            if (!row.ok()) {
                b.broken(rec, reg, row.problem());
                continue;
            }
            b.vehicle(reg).plate = reg;
            b.file.maintenance.append({rec.line, reg, *date, *cost, description});
        } else if (kind.startsWith(QLatin1String("Removed "))) {
            ++b.file.skippedRows; // kept in the file for the record, never brought back
        } else if (row.ok()) {
            b.broken(rec, reg, QStringLiteral("\"%1\" is not a kind of record").arg(kind));
        } else {
            b.broken(rec, reg, row.problem());
        }
    }
    return b.file;
}

bool startsWith(const QString& line, const char* prefix)
{
    return line.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

} // namespace

const QVector<FileFormat>& FileFormats()
{
    static const QVector<FileFormat> formats = {
        {"kelmot", [](const QString& l) { return startsWith(l, "Kelmot Record,"); }, readKelmot},
        {"fuelio", [](const QString& l) { return startsWith(l, "## Vehicle"); }, readFuelio},
        {"acar", [](const QString& l) { return l == QLatin1String("Metadata"); }, readACar},
        {"fuelly",
         [](const QString& l) { return startsWith(l, "car_name,") && l.contains("fuelup_date"); },
         readFuelly},
        {"spritmonitor", [](const QString& l) { return startsWith(l, "Date;Odometer;"); },
         readSpritmonitor},
        {"lubelogger", [](const QString& l) { return startsWith(l, "Date,Odometer,FuelConsumed"); },
         readLubeLogger},
    };
    return formats;
}

QString FirstNonBlankLine(const QString& text)
{
    return firstNonBlank(text);
}
