#include "FormatReading.h"

#include "FileFormats.h"
#include "StoredValues.h"

#include <algorithm>

namespace {

constexpr qint64 ChunkBytes = 1 << 15;

// Windows-1252's characters for the bytes 0x80-0x9F; the other bytes are Latin-1.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = b >= 0x80 && b < 0xA0 ? QChar(Windows1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

QString orderWords(DateOrder order)
{
    return order == DateOrder::DayFirst ? QStringLiteral("day first (day/month/year)")
                                        : QStringLiteral("month first (month/day/year)");
}

// Takes out what no logbook's text holds and what would let one text pass for another: U+FEFF,
// NUL and the other control characters but tab and line ends. True when a control character
// was taken out.
bool dropInvisible(QString& text)
{
    bool controls = false;
    qsizetype kept = 0;
    QChar* chars = text.data();
    for (qsizetype i = 0, size = text.size(); i < size; ++i) {
        const char16_t c = chars[i].unicode();
        if (c == 0xFEFF)
            continue;
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') {
            controls = true;
            continue;
        }
        chars[kept++] = chars[i];
    }
    text.truncate(kept);
    return controls;
}

// True when a field holds a line break followed by more than blanks.
bool swallowsLines(const QString& field)
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

TextSource::TextSource(QIODevice& device) : device_(&device)
{
    const QByteArray start = device.peek(3);
    qint64 skip = 0;
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")) {
        const bool little = start.startsWith("\xFF\xFE");
        decoder_ = QStringDecoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        encoding_ = QStringLiteral("UTF-16");
        skip = 2;
    } else {
        decoder_ = QStringDecoder(QStringDecoder::Utf8);
        if (start.startsWith("\xEF\xBB\xBF"))
            skip = 3;
        if (device.isSequential()) {
            checkAsRead_ = true;
        } else {
            // One pass over the bytes to learn whether they are UTF-8 before any is read.
            const qint64 origin = device.pos();
            QStringDecoder check(QStringDecoder::Utf8);
            for (;;) {
                const QByteArray chunk = device.read(ChunkBytes);
                if (chunk.isEmpty())
                    break;
                const QString ignored = check(chunk);
                if (check.hasError()) {
                    windows1252_ = true;
                    break;
                }
            }
            device.seek(origin);
        }
    }
    if (skip > 0)
        device.read(skip);
    if (windows1252_)
        encoding_ = QStringLiteral("Windows-1252");
    const QByteArray first = device.peek(8192);
    if (windows1252_) {
        head_ = fromWindows1252(first);
    } else {
        QStringDecoder headDecoder(
            encoding_ == QLatin1String("UTF-16")
                ? (start.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE)
                : QStringDecoder::Utf8);
        head_ = headDecoder(first);
    }
    dropInvisible(head_);
}

TextSource::TextSource(const QString& text) : buffer_(text)
{
    controlsDropped_ = dropInvisible(buffer_);
}

QString TextSource::decode(const QByteArray& bytes)
{
    if (windows1252_)
        return fromWindows1252(bytes);
    QString text = decoder_(bytes);
    if (checkAsRead_ && decoder_.hasError()) {
        // Learnt late on a stream: the rest is read as Windows-1252.
        windows1252_ = true;
        encoding_ = QStringLiteral("Windows-1252");
        return fromWindows1252(bytes);
    }
    return text;
}

bool TextSource::fill()
{
    if (!device_)
        return false;
    buffer_.clear();
    pos_ = 0;
    while (buffer_.isEmpty()) {
        const QByteArray bytes = device_->read(ChunkBytes);
        if (bytes.isEmpty())
            return false;
        buffer_ = decode(bytes);
        controlsDropped_ = dropInvisible(buffer_) || controlsDropped_;
    }
    return true;
}

bool RecordStream::lineEnd(QChar c)
{
    if (c == QLatin1Char('\n')) {
        ++line_;
        return true;
    }
    if (c == QLatin1Char('\r')) {
        if (source_.atEnd() || source_.peek() != QLatin1Char('\n'))
            ++line_;
        return true;
    }
    return false;
}

void RecordStream::count(qsizetype& lineLength, qsizetype& rowLength)
{
    if (++lineLength > MaxLineLength)
        throw ImportError(QStringLiteral("Line %1 of the file is longer than 1 MB, which no "
                                         "logbook writes; nothing was imported.")
                              .arg(line_));
    if (++rowLength > MaxLineLength)
        throw ImportError(QStringLiteral("The row that starts on line %1 is longer than 1 MB, "
                                         "which no logbook writes; nothing was imported.")
                              .arg(line_));
}

void RecordStream::count(qsizetype n, qsizetype& lineLength, qsizetype& rowLength)
{
    if (lineLength + n <= MaxLineLength && rowLength + n <= MaxLineLength) {
        lineLength += n;
        rowLength += n;
        return;
    }
    for (qsizetype i = 0; i < n; ++i) // the same refusal as character by character
        count(lineLength, rowLength);
}

bool RecordStream::next(CsvRecord& record)
{
    if (source_.atEnd())
        return false;
    QStringList fields = std::move(record.fields);
    fields.clear(); // its room is kept for this record's fields
    record = CsvRecord();
    record.fields = std::move(fields);
    record.line = line_;
    qsizetype lineLength = 0, rowLength = 0;
    const auto ends = [this](QChar c) {
        return c == separator_ || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    };
    QString field;
    for (;;) {
        field.clear();
        if (!source_.atEnd() && source_.peek() == QLatin1Char('"')) {
            source_.get();
            bool closed = false;
            while (!source_.atEnd()) {
                const QChar c = source_.get();
                count(lineLength, rowLength);
                if (c == QLatin1Char('"')) {
                    if (!source_.atEnd() && source_.peek() == QLatin1Char('"')) {
                        field += source_.get();
                        continue;
                    }
                    closed = true;
                    break;
                }
                if (backslash_ && c == QLatin1Char('\\') && !source_.atEnd() &&
                    source_.peek() == QLatin1Char('"')) {
                    field += source_.get();
                    continue;
                }
                if (lineEnd(c))
                    lineLength = 0;
                field += c;
            }
            if (!closed)
                record.cutOff = true;
            // Anything between the closing quote and the separator is kept as it stands.
            while (!source_.atEnd() && !ends(source_.peek())) {
                count(lineLength, rowLength);
                field += source_.get();
            }
        } else {
            // A field without quotes is taken a run of characters at a time.
            while (!source_.atEnd()) {
                const QStringView rest = source_.rest();
                qsizetype n = 0;
                while (n < rest.size() && !ends(rest[n]))
                    ++n;
                count(n, lineLength, rowLength);
                field += rest.first(n);
                source_.skip(n);
                if (n < rest.size())
                    break;
            }
        }
        record.fields.append(std::move(field));
        if (!source_.atEnd() && source_.peek() == separator_) {
            source_.get();
            continue;
        }
        if (!source_.atEnd() && source_.peek() == QLatin1Char('\r'))
            source_.get();
        if (!source_.atEnd() && source_.peek() == QLatin1Char('\n'))
            source_.get();
        ++line_;
        return true;
    }
}

Columns::Columns(const QStringList& header, std::span<const ColumnName> table)
    : header_(header), table_(table)
{
    QStringList names;
    for (const QString& h : header)
        names << h.trimmed().toLower();
    int meanings = 0;
    for (const ColumnName& c : table)
        meanings = std::max(meanings, c.meaning + 1);
    found_.resize(size_t(meanings));
    for (const ColumnName& c : table) {
        Found& found = found_[size_t(c.meaning)];
        if (found.column >= 0)
            continue;
        const QString want = QString::fromUtf8(c.name).toLower();
        for (int i = 0; i < names.size(); ++i)
            if (names[i] == want || names[i].startsWith(want + QLatin1String(" ("))) {
                found = {i, QString::fromUtf8(c.name)};
                break;
            }
    }
}

int Columns::at(int meaning) const
{
    return meaning >= 0 && size_t(meaning) < found_.size() ? found_[size_t(meaning)].column : -1;
}

QString Columns::name(int meaning) const
{
    if (at(meaning) >= 0)
        return found_[size_t(meaning)].name;
    for (const ColumnName& c : table_)
        if (c.meaning == meaning)
            return QString::fromUtf8(c.name);
    return {};
}

QString Columns::header(int meaning) const
{
    const int i = at(meaning);
    return i >= 0 ? header_[i].trimmed() : QString();
}

QStringList HeaderNames(const QString& line, QChar separator)
{
    QStringList names = line.split(separator);
    for (QString& n : names)
        n = n.trimmed();
    return names;
}

bool HeaderHas(const QStringList& header, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (!header.contains(QString::fromUtf8(n), Qt::CaseInsensitive))
            return false;
    return true;
}

QString FirstNonBlank(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r'))
            ++end;
        QString line = text.mid(start, end - start).trimmed();
        if (!line.isEmpty())
            return line.remove(QLatin1Char('"'));
        start = end + 1;
    }
    return {};
}

Row::Row(FileBuilder& builder, const CsvRecord& record, const Columns* columns)
    : builder_(builder), record_(record), columns_(columns)
{
    if (record.cutOff)
        problem_ = QStringLiteral("the line is cut off (a quoted field is not closed)");
}

QString Row::text(int column, const QString& name, bool required)
{
    if (column < 0 || column >= record_.fields.size()) {
        if (required)
            fail(column < 0 ? QStringLiteral("the file has no column %1").arg(name)
                            : QStringLiteral("the column %1 is missing").arg(name));
        return {};
    }
    return record_.fields[column];
}

QString Row::text(int meaning, bool required)
{
    return text(columns_->at(meaning), columns_->name(meaning), required);
}

std::optional<double> Row::number(int column, const QString& name, QChar decimal, bool required)
{
    const QString t = text(column, name, required).trimmed();
    if (t.isEmpty()) {
        if (required)
            fail(QStringLiteral("there is no %1").arg(name));
        return std::nullopt;
    }
    auto value = FileNumber(t, decimal, &builder_.marks());
    if (!value)
        fail(QStringLiteral("\"%1\" in %2 is not a number").arg(t, name));
    return value;
}

std::optional<double> Row::number(int meaning, QChar decimal, bool required)
{
    return number(columns_->at(meaning), columns_->name(meaning), decimal, required);
}

std::optional<RowDate> Row::date(const QString& text, const QString& name)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        fail(QStringLiteral("there is no %1").arg(name));
        return std::nullopt;
    }
    qsizetype digits = 0;
    while (digits < t.size() && t[digits].isDigit())
        ++digits;
    const bool yearFirst = digits == 4;
    const auto dayFirst = FileDate(t, yearFirst ? DayOrder::YearFirst : DayOrder::DayFirst);
    const auto monthFirst = yearFirst ? dayFirst : FileDate(t, DayOrder::MonthFirst);
    // Both readings of a day/month date share its year.
    if (const QString problem = DateProblem(dayFirst ? dayFirst : monthFirst, t, name);
        !problem.isEmpty()) {
        fail(problem);
        return std::nullopt;
    }
    if (dayFirst && monthFirst && *dayFirst == *monthFirst)
        return RowDate{-1, *dayFirst};
    return RowDate{builder_.addPending(t, line(), dayFirst, monthFirst), {}};
}

QString DateProblem(const std::optional<QDateTime>& value, const QString& text, const QString& name)
{
    if (!value)
        return QStringLiteral("\"%1\" in %2 is not a date").arg(text.trimmed(), name);
    if (!StoredValues::IsStorableDate(*value))
        return QStringLiteral("\"%1\" in %2 is a date before the year 100, which the log "
                              "cannot hold")
            .arg(text.trimmed(), name);
    return {};
}

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
    if (record.cutOff && swallowsLines(record.fields.last()))
        throw ImportError(QStringLiteral("A quoted field of the row that starts on line %1 is "
                                         "never closed, so the lines after it cannot be read "
                                         "as rows; nothing was imported.")
                              .arg(record.line));
    if (progress_ && (++records_ & 255) == 0 &&
        !progress_(source_.bytesDone(), source_.bytesTotal()))
        throw ExchangeCancelled();
    return true;
}

ImportedVehicle& FileBuilder::vehicle(const QString& key)
{
    for (auto& v : file_.vehicles)
        if (v.key == key)
            return v;
    ImportedVehicle v;
    v.key = key;
    v.name = key;
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

void FileBuilder::declareDateOrder(const QString& pattern, const QString& where)
{
    if (declared_ != DateOrder::Unknown)
        return;
    const DayOrder order = OrderOfPattern(pattern.trimmed());
    if (pattern.trimmed().isEmpty() || order == DayOrder::YearFirst)
        return;
    declared_ = order == DayOrder::DayFirst ? DateOrder::DayFirst : DateOrder::MonthFirst;
    declaredWhere_ = QStringLiteral("%1 (%2)").arg(where, pattern.trimmed());
}

qsizetype FileBuilder::addPending(const QString& text, int line, std::optional<QDateTime> dayFirst,
                                  std::optional<QDateTime> monthFirst)
{
    pending_.append({text, line, dayFirst, monthFirst});
    return pending_.size() - 1;
}

void FileBuilder::fillUp(int line, const QString& key, const RowDate& date, double odometer,
                         FileDistance distance, double volume, double litresPerUnit,
                         std::optional<double> total, std::optional<double> unitPrice)
{
    ImportedReading r;
    r.line = line;
    r.vehicleKey = key;
    r.date = date.value;
    r.odometer = odometer;
    r.distance = distance;
    const double litres = volume * litresPerUnit;
    r.amount = total && *total > 0 ? *total : (unitPrice ? *unitPrice * volume : 0);
    if (unitPrice && *unitPrice > 0)
        r.pricePerLitre = *unitPrice / litresPerUnit;
    else if (litres > 0)
        r.pricePerLitre = r.amount / litres;
    if (unitPrice && *unitPrice > 0 && litresPerUnit != 1)
        vehicleNote(key, GallonPriceNote(litresPerUnit));
    addReading(r, date);
}

void FileBuilder::addReading(ImportedReading reading, const RowDate& date)
{
    reading.vehicleKey = vehicle(reading.vehicleKey).key; // one shared string per vehicle
    reading.date = date.value;
    file_.readings.append(reading);
    readingDates_.append(date.pending);
}

void FileBuilder::addMaintenance(ImportedMaintenance maintenance, const RowDate& date)
{
    maintenance.vehicleKey = vehicle(maintenance.vehicleKey).key;
    maintenance.date = date.value;
    file_.maintenance.append(maintenance);
    maintenanceDates_.append(date.pending);
}

void FileBuilder::cost(int line, const QString& key, const RowDate& date, double cost,
                       const QStringList& descriptionParts)
{
    QStringList parts;
    for (const QString& p : descriptionParts)
        if (!p.trimmed().isEmpty())
            parts << p.trimmed();
    addMaintenance({line, key, date.value, cost, parts.join(QStringLiteral(" - "))}, date);
}

DateOrder FileBuilder::decideOrder()
{
    const Pending* dayOnly = nullptr;
    const Pending* monthOnly = nullptr;
    bool twoWays = false;
    for (const Pending& p : pending_) {
        if (p.dayFirst && !p.monthFirst)
            dayOnly = dayOnly ? dayOnly : &p;
        else if (p.monthFirst && !p.dayFirst)
            monthOnly = monthOnly ? monthOnly : &p;
        else
            twoWays = true;
    }
    if (dayOnly && monthOnly)
        throw ImportError(QStringLiteral("The file's dates contradict each other: %1 on line %2 "
                                         "can only be day first, %3 on line %4 only month "
                                         "first; nothing was imported.")
                              .arg(dayOnly->text)
                              .arg(dayOnly->line)
                              .arg(monthOnly->text)
                              .arg(monthOnly->line));
    if (dayOnly || monthOnly) {
        const Pending* by = dayOnly ? dayOnly : monthOnly;
        file_.dateOrder = dayOnly ? DateOrder::DayFirst : DateOrder::MonthFirst;
        file_.dateOrderLine = by->line;
        note(QStringLiteral("dates read %1, as line %2 (%3) shows")
                 .arg(orderWords(file_.dateOrder))
                 .arg(by->line)
                 .arg(by->text));
    } else if (!twoWays) {
        return DateOrder::Unknown;
    } else if (declared_ != DateOrder::Unknown) {
        file_.dateOrder = declared_;
        note(QStringLiteral("dates read %1, as %2 declares; no date of the file tells")
                 .arg(orderWords(declared_), declaredWhere_));
    } else if (options_.dateOrder != DateOrder::Unknown) {
        file_.dateOrder = options_.dateOrder;
        note(QStringLiteral("dates read %1, as asked; no date of the file tells")
                 .arg(orderWords(options_.dateOrder)));
    } else {
        file_.dateOrderUndecided = true;
        note(QStringLiteral("nothing in the file tells whether its dates are day first or "
                            "month first"));
    }
    return file_.dateOrder;
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

QString UnstorableFuelReason(const QString& unit)
{
    return QStringLiteral("fuel measured in %1 cannot be stored as litres").arg(unit);
}

QString ReminderReason()
{
    return QStringLiteral("no cost: a reminder");
}

FileDistance DistanceWord(const QString& word)
{
    const QString w = word.trimmed().toUpper();
    if (w.startsWith(QLatin1String("MI")))
        return FileDistance::Miles;
    if (w.startsWith(QLatin1String("K")))
        return FileDistance::Kilometres;
    return FileDistance::Unknown;
}

std::optional<double> LitresPerVolumeWord(const QString& word)
{
    const QString w = word.trimmed().toLower();
    if (w.contains(QLatin1String("imp")) || w.contains(QLatin1String("uk")))
        return LitresPerImperialGallon;
    if (w.contains(QLatin1String("gal")))
        return LitresPerUsGallon;
    if (w.isEmpty() || w.startsWith(QLatin1String("lit")) || w == QLatin1String("l"))
        return 1.0;
    return std::nullopt;
}

QString GallonPriceNote(double litresPerUnit)
{
    return litresPerUnit == LitresPerImperialGallon
               ? QStringLiteral("prices per imperial gallon converted to per litre "
                                "(1 imperial gallon = 4.54609 litres)")
               : QStringLiteral("prices per US gallon converted to per litre "
                                "(1 US gallon = 3.785411784 litres)");
}
