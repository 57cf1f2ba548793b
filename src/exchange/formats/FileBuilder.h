#pragma once

#include "Csv.h"
#include "ExchangeProgress.h"
#include "FileValues.h"
#include "ImportFile.h"
#include "Row.h"

#include <QVector>
#include <optional>

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

    ImportedVehicle& vehicle(QStringView key);
    void broken(int line, const QString& key, const QString& reason, RowKind kind = RowKind::Other);
    void note(const QString& text);
    void vehicleNote(const QString& key, const QString& text);
    // The file's own statement of its date order ("M/d/yyyy"), used when no row decides.
    void declareDateOrder(const QString& pattern, const QString& where);
    NumberMarks& marks() { return marks_; }

    // A fill-up in Kelmot's terms: the total paid (unit price x volume when there is none)
    // and the price per litre.
    void fillUp(int line, QStringView key, const RowDate& date, double odometer,
                FileDistance distance, double volume, double litresPerUnit,
                std::optional<double> total, std::optional<double> unitPrice, FillKind fill = {});
    // A cost; the description is the non-empty parts, each trimmed, joined by " - ".
    void cost(int line, QStringView key, const RowDate& date, double cost,
              const QStringList& descriptionParts, const QString& category = CostCategory::Other);

    // Rows already in Kelmot's terms, filed under the vehicle key; the date is set from date.
    void addReading(QStringView key, ImportedReading reading, const RowDate& date);
    void addMaintenance(QStringView key, ImportedMaintenance maintenance, const RowDate& date);
    // A reminder; its due date is set from due, when it has one.
    void addReminder(ImportedReminder reminder, const std::optional<RowDate>& due);

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
    QVector<qsizetype> readingDates_, maintenanceDates_, reminderDates_;
    DateOrder declared_ = DateOrder::Unknown;
    QString declaredWhere_;
};
