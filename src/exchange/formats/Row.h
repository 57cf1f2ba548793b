#pragma once

#include "Columns.h"
#include "Csv.h"

#include <QDateTime>
#include <optional>

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

    // The field as it stands in the record, valid while the record is; a missing column
    // breaks the row unless it is optional.
    QStringView field(int column, const QString& name, bool required = true);
    QStringView field(int meaning, bool required = true);
    // The field's text, to keep.
    QString text(int column, const QString& name, bool required = true)
    {
        return field(column, name, required).toString();
    }
    QString text(int meaning, bool required = true) { return field(meaning, required).toString(); }
    // A number; an empty field gives nothing (an error only when required).
    std::optional<double> number(int column, const QString& name, QChar decimal,
                                 bool required = true);
    std::optional<double> number(int meaning, QChar decimal, bool required = true);
    // A date of any order; day/month texts wait for the file's decision.
    std::optional<RowDate> date(QStringView text, const QString& name);

private:
    FileBuilder& builder_;
    const CsvRecord& record_;
    const Columns* columns_;
    QString problem_;
};
