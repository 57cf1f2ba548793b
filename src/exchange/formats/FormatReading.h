#pragma once

#include "Csv.h"
#include "Exchange.h"
#include "FileValues.h"

#include <QIODevice>
#include <QMap>
#include <QStringDecoder>
#include <optional>
#include <span>
#include <vector>

// The small toolkit every format reader shares: decoded text read from a device chunk by
// chunk, delimited records with physical line numbers, header tables, fields read in a
// format's own number and date forms, and the file being built.

// Lines and rows longer than this are no logbook's: refused rather than held in memory.
inline constexpr qsizetype MaxLineLength = 1 << 20;

// The characters of a device, decoded as its bytes show: UTF-16 with a byte order mark,
// UTF-8, or Windows-1252 when the bytes are not valid UTF-8. U+FEFF, NUL and the other control
// characters but tab and line ends are dropped wherever they are: invisible, they would let one
// registration pass for another.
class TextSource
{
public:
    explicit TextSource(QIODevice& device);
    explicit TextSource(const QString& text);

    bool atEnd() { return pos_ == buffer_.size() && !fill(); }
    QChar peek() const { return buffer_[pos_]; } // only after atEnd() said false
    QChar get() { return buffer_.at(pos_++); }
    // The characters decoded and not yet taken (empty at the end), and taking n of them.
    QStringView rest() const { return QStringView(buffer_).sliced(pos_); }
    void skip(qsizetype n) { pos_ += n; }

    QString encoding() const { return encoding_; }
    QString head() const { return head_; } // the first few KB, for detection
    qint64 bytesDone() const { return device_ ? device_->pos() : 0; }
    qint64 bytesTotal() const { return device_ && !device_->isSequential() ? device_->size() : 0; }
    bool controlsDropped() const { return controlsDropped_; }

private:
    bool fill();
    QString decode(const QByteArray& bytes);

    QIODevice* device_ = nullptr;
    QString buffer_;
    qsizetype pos_ = 0;
    QString encoding_ = QStringLiteral("UTF-8");
    QStringDecoder decoder_;
    bool windows1252_ = false;
    bool checkAsRead_ = false; // sequential devices: validity is learnt chunk by chunk
    bool controlsDropped_ = false;
    QString head_;
};

// Delimited records one at a time: RFC 4180 quoting, optionally a backslash escaping a quote
// inside quotes; lines end in LF, CR LF or a lone CR.
class RecordStream
{
public:
    RecordStream(TextSource& source, QChar separator, bool backslashEscape = false)
        : source_(source), separator_(separator), backslash_(backslashEscape)
    {
    }
    // The next record, or false at the end. Throws ImportError for a line or row over
    // MaxLineLength.
    bool next(CsvRecord& record);
    int line() const { return line_; }

private:
    void count(qsizetype& lineLength, qsizetype& rowLength);
    void count(qsizetype n, qsizetype& lineLength, qsizetype& rowLength); // n characters
    bool lineEnd(QChar c); // consumes a line end starting with c, counting it

    TextSource& source_;
    QChar separator_;
    bool backslash_;
    int line_ = 1;
};

// A format's knowledge of one column: what it means (a value of the format's own enum) and a
// name its header gives it. A meaning may have several names (languages, versions).
struct ColumnName
{
    int meaning;
    const char* name;
};

// Where a header row puts each meaning. Names match without regard to case or surrounding
// blanks; a name also matches a header that adds a unit in brackets ("Odo (km)").
class Columns
{
public:
    Columns() = default;
    Columns(const QStringList& header, std::span<const ColumnName> table);
    int at(int meaning) const;         // -1: the header has no such column
    QString name(int meaning) const;   // the name it was found by, else the table's first one
    QString header(int meaning) const; // the header's own text of that column
    bool has(int meaning) const { return at(meaning) >= 0; }
    int size() const { return int(header_.size()); }

private:
    struct Found
    {
        int column = -1;
        QString name;
    };
    QStringList header_;
    std::span<const ColumnName> table_;
    // By meaning: asked for every field of every row, so a plain array rather than a map.
    std::vector<Found> found_;
};

// The header names of a line, trimmed, for detection.
QStringList HeaderNames(const QString& line, QChar separator = QLatin1Char(','));
// True when every name is among the header's names.
bool HeaderHas(const QStringList& header, std::initializer_list<const char*> names);
// The first line holding more than blanks, without its quotes.
QString FirstNonBlank(const QString& text);

class FileBuilder;

// A date read from a row: resolved now (ISO), or once the file's day/month order is known.
struct RowDate
{
    qsizetype pending = -1; // index of the day/month text awaiting the file's order
    QDateTime value;
};

// Reads the fields of one record, keeping the first reason it is broken.
class Row
{
public:
    Row(FileBuilder& builder, const CsvRecord& record, const Columns* columns = nullptr);
    bool ok() const { return problem_.isEmpty(); }
    const QString& problem() const { return problem_; }
    void fail(const QString& problem)
    {
        if (ok())
            problem_ = problem;
    }
    int line() const { return record_.line; }
    const CsvRecord& record() const { return record_; }

    // The field's text; a missing column breaks the row unless it is optional.
    QString text(int column, const QString& name, bool required = true);
    QString text(int meaning, bool required = true);
    // A number; an empty field gives nothing (an error only when required).
    std::optional<double> number(int column, const QString& name, QChar decimal,
                                 bool required = true);
    std::optional<double> number(int meaning, QChar decimal, bool required = true);
    // A date of any order; day/month texts wait for the file's decision.
    std::optional<RowDate> date(const QString& text, const QString& name);

private:
    FileBuilder& builder_;
    const CsvRecord& record_;
    const Columns* columns_;
    QString problem_;
};

// The file being read: its vehicles and rows, notes, the date decision and progress.
class FileBuilder
{
public:
    FileBuilder(const char* format, TextSource& source, const ImportReadOptions& options,
                const ExchangeProgress& progress);

    const ImportReadOptions& options() const { return options_; }
    TextSource& source() { return source_; }
    ImportFile& file() { return file_; }
    // The next record of the file, ticking progress; false at the end.
    bool next(RecordStream& records, CsvRecord& record);

    ImportedVehicle& vehicle(const QString& key);
    void broken(int line, const QString& key, const QString& reason, RowKind kind = RowKind::Other);
    void note(const QString& text);
    void vehicleNote(const QString& key, const QString& text);
    // The file's own statement of its date order ("M/d/yyyy"), used when no row decides.
    void declareDateOrder(const QString& pattern, const QString& where);
    NumberMarks& marks() { return marks_; }

    // A fill-up in Kelmot's terms: the total paid (unit price x volume when there is none)
    // and the price per litre.
    void fillUp(int line, const QString& key, const RowDate& date, double odometer,
                FileDistance distance, double volume, double litresPerUnit,
                std::optional<double> total, std::optional<double> unitPrice);
    // A cost; the description is the non-empty parts, each trimmed, joined by " - ".
    void cost(int line, const QString& key, const RowDate& date, double cost,
              const QStringList& descriptionParts);

    // Rows already in Kelmot's terms; the date is set from date.
    void addReading(ImportedReading reading, const RowDate& date);
    void addMaintenance(ImportedMaintenance maintenance, const RowDate& date);

    // Decides the file's day/month order and sets every waiting date.
    ImportFile finish();

    // Used by Row.
    qsizetype addPending(const QString& text, int line, std::optional<QDateTime> dayFirst,
                         std::optional<QDateTime> monthFirst);

private:
    struct Pending
    {
        QString text;
        int line;
        std::optional<QDateTime> dayFirst, monthFirst;
    };
    DateOrder decideOrder();

    ImportFile file_;
    TextSource& source_;
    const ImportReadOptions& options_;
    const ExchangeProgress& progress_;
    qint64 records_ = 0;
    NumberMarks marks_;
    QVector<Pending> pending_;
    QVector<qsizetype> readingDates_, maintenanceDates_;
    DateOrder declared_ = DateOrder::Unknown;
    QString declaredWhere_;
};

// Why a date read from text cannot be stored ("not a date", a year before 100); empty when it
// can. name is the column's.
QString DateProblem(const std::optional<QDateTime>& value, const QString& text,
                    const QString& name);
// Fuel that Kelmot cannot keep as litres: the reason a row of it is refused.
QString UnstorableFuelReason(const QString& unit);
// The reason for an entry without a cost that only reminds.
QString ReminderReason();
// A unit word such as "km", "mi", "MILE", "KILOMETER".
FileDistance DistanceWord(const QString& word);
// Litres per unit of a volume word ("US_GALLON", "IMPERIAL_GALLON", "litres", "us gallons");
// nothing for a word that names no volume (kg, kWh).
std::optional<double> LitresPerVolumeWord(const QString& word);
// The note for prices converted from per gallon to per litre.
QString GallonPriceNote(double litresPerUnit);

// Walks a file of sections: a heading line, a header row, then the section's rows. headingOf
// gives the section a record heads, or nothing; visit gets the section, each record after a
// heading and whether it is the section's header row. Blank lines are skipped.
template <typename HeadingOf, typename Visit>
void WalkSections(FileBuilder& b, RecordStream& records, HeadingOf headingOf, Visit visit)
{
    QString section;
    bool header = false;
    CsvRecord rec;
    while (b.next(records, rec)) {
        if (rec.blank())
            continue;
        if (const std::optional<QString> heading = headingOf(rec)) {
            section = *heading;
            header = true;
            continue;
        }
        visit(section, rec, header);
        header = false;
    }
}
