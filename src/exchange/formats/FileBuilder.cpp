#include "FileBuilder.h"

#include "ExchangeErrors.h"
#include "FileValues.h"
#include "UnitWords.h"

#include <algorithm>

namespace {

// True when a field holds a line break followed by more than blanks.
bool swallowsLines(QStringView field)
{
    bool broken = false;
    for (const QChar c : field) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            broken = true;
        else if (broken && !c.isSpace())
            return true;
    }
    return false;
}

} // namespace

FileBuilder::FileBuilder(const char* format, TextSource& source, const ImportReadOptions& options,
                         const ExchangeProgress& progress)
    : source_(source), options_(options), progress_(progress)
{
    file_.format = QString::fromLatin1(format);
}

bool FileBuilder::next(RecordStream& records, CsvRecord& record)
{
    if (!records.next(record))
        return false;
    // A quote never closed runs to the end of the file: when it takes in later lines, those
    // rows cannot be told apart, and storing the rows before them alone would hide them.
    if (record.cutOff && swallowsLines(record.last()))
        throw ImportError(QStringLiteral("A quoted field of the row that starts on line %1 is "
                                         "never closed, so the lines after it cannot be read "
                                         "as rows; nothing was imported.")
                              .arg(record.line));
    if (progress_ && (++records_ & 255) == 0 &&
        !progress_(source_.bytesDone(), source_.bytesTotal()))
        throw ExchangeCancelled();
    return true;
}

ImportedVehicle& FileBuilder::vehicle(QStringView key)
{
    for (auto& v : file_.vehicles)
        if (v.key == key)
            return v;
    ImportedVehicle v;
    v.key = key.toString();
    v.name = v.key;
    file_.vehicles.append(v);
    return file_.vehicles.last();
}

void FileBuilder::broken(int line, const QString& key, const QString& reason, RowKind kind)
{
    file_.broken.append({line, key, reason, kind});
}

void FileBuilder::note(const QString& text)
{
    if (!file_.notes.contains(text))
        file_.notes << text;
}

void FileBuilder::vehicleNote(const QString& key, const QString& text)
{
    QStringList& notes = file_.vehicleNotes[key];
    if (!notes.contains(text))
        notes << text;
}

void FileBuilder::fillUp(int line, QStringView key, const RowDate& date, double odometer,
                         FileDistance distance, double volume, double litresPerUnit,
                         std::optional<double> total, std::optional<double> unitPrice,
                         FillKind fill)
{
    ImportedReading r;
    r.line = line;
    r.date = date.value;
    r.odometer = odometer;
    r.distance = distance;
    r.fill = fill;
    const double litres = volume * litresPerUnit;
    r.amount = total && *total > 0 ? *total : (unitPrice ? *unitPrice * volume : 0);
    if (unitPrice && *unitPrice > 0)
        r.pricePerLitre = *unitPrice / litresPerUnit;
    else if (litres > 0)
        r.pricePerLitre = r.amount / litres;
    if (unitPrice && *unitPrice > 0 && litresPerUnit != 1)
        vehicleNote(vehicle(key).key, GallonPriceNote(litresPerUnit));
    addReading(key, r, date);
}

void FileBuilder::addReading(QStringView key, ImportedReading reading, const RowDate& date)
{
    reading.vehicleKey = vehicle(key).key; // one shared string per vehicle
    reading.date = date.value;
    file_.readings.append(std::move(reading));
    readingDates_.append(date.pending);
}

void FileBuilder::addMaintenance(QStringView key, ImportedMaintenance maintenance,
                                 const RowDate& date)
{
    maintenance.vehicleKey = vehicle(key).key;
    maintenance.date = date.value;
    file_.maintenance.append(std::move(maintenance));
    maintenanceDates_.append(date.pending);
}

void FileBuilder::addReminder(ImportedReminder reminder, const std::optional<RowDate>& due)
{
    reminder.vehicleKey = vehicle(reminder.vehicleKey).key;
    reminder.title = reminder.title.trimmed();
    reminder.dueDate = due ? due->value : QDateTime();
    file_.reminders.append(reminder);
    reminderDates_.append(due ? due->pending : -1);
}

void FileBuilder::cost(int line, QStringView key, const RowDate& date, double cost,
                       const QStringList& descriptionParts, const QString& category)
{
    QStringList parts;
    for (const QString& p : descriptionParts)
        if (!p.trimmed().isEmpty())
            parts << p.trimmed();
    addMaintenance(key, {line, {}, {}, cost, parts.join(QStringLiteral(" - ")), category}, date);
}

ImportFile FileBuilder::finish()
{
    const DateOrder order = decideOrder();
    const auto resolve = [&](QDateTime& date, qsizetype index, const QString& key, RowKind kind) {
        if (index < 0)
            return true;
        const Pending& p = pending_[index];
        const auto value = order == DateOrder::DayFirst     ? p.dayFirst
                           : order == DateOrder::MonthFirst ? p.monthFirst
                                                            : std::nullopt;
        if (value) {
            date = *value;
            return true;
        }
        file_.undecidedDateLines.append(p.line);
        broken(p.line, key,
               QStringLiteral("the day/month order is undecided: %1 reads as %2 or %3")
                   .arg(p.text, StoredDateText(*p.dayFirst), StoredDateText(*p.monthFirst)),
               kind);
        return false;
    };
    // Resolved in place; rows whose date cannot be told are dropped (now broken rows).
    qsizetype kept = 0;
    for (qsizetype i = 0; i < file_.readings.size(); ++i)
        if (resolve(file_.readings[i].date, readingDates_[i], file_.readings[i].vehicleKey,
                    RowKind::Reading))
            file_.readings[kept++] = std::move(file_.readings[i]);
    file_.readings.resize(kept);
    kept = 0;
    for (qsizetype i = 0; i < file_.maintenance.size(); ++i)
        if (resolve(file_.maintenance[i].date, maintenanceDates_[i],
                    file_.maintenance[i].vehicleKey, RowKind::Maintenance))
            file_.maintenance[kept++] = std::move(file_.maintenance[i]);
    file_.maintenance.resize(kept);
    kept = 0;
    for (qsizetype i = 0; i < file_.reminders.size(); ++i)
        if (resolve(file_.reminders[i].dueDate, reminderDates_[i], file_.reminders[i].vehicleKey,
                    RowKind::Other))
            file_.reminders[kept++] = std::move(file_.reminders[i]);
    file_.reminders.resize(kept);
    std::sort(file_.undecidedDateLines.begin(), file_.undecidedDateLines.end());
    std::stable_sort(file_.broken.begin(), file_.broken.end(),
                     [](const BrokenRow& a, const BrokenRow& b) { return a.line < b.line; });

    file_.encoding = source_.encoding();
    if (file_.encoding == QLatin1String("Windows-1252"))
        file_.notes.prepend(QStringLiteral("the file is not UTF-8: read as Windows-1252"));
    else if (file_.encoding == QLatin1String("UTF-16"))
        file_.notes.prepend(QStringLiteral("the file is UTF-16: read as such"));
    if (source_.controlsDropped())
        note(QStringLiteral("control characters (such as NUL) read away from the file's texts"));
    if (marks_.currency)
        note(QStringLiteral("currency signs read away from money figures"));
    if (marks_.thousands)
        note(QStringLiteral("thousands separators read away from figures"));
    return file_;
}
