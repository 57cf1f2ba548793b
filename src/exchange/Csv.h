#pragma once

#include "TextSource.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

// One record of a delimited text file. Its fields are views into the record's own text, which
// keeps its room from record to record: reading a field allocates nothing.
class CsvRecord
{
public:
    int line = 0;        // physical line where the record starts, from 1
    bool cutOff = false; // the file ended inside a quoted field

    qsizetype size() const { return qsizetype(ends_.size()); }
    // Valid until the record is read into again.
    QStringView field(qsizetype i) const
    {
        const int start = i == 0 ? 0 : ends_[size_t(i) - 1] + 1; // after the separator
        return QStringView(text_).sliced(start, ends_[size_t(i)] - start);
    }
    QStringView last() const { return field(size() - 1); }
    QStringList fields() const; // copies, for header rows
    bool blank() const { return size() == 1 && ends_[0] == 0; }

    // Building the record while reading it.
    void clear();
    void append(QStringView text) { text_.append(text); }
    void append(QChar c) { text_.append(c); }
    void endField() { ends_.push_back(int(text_.size())); }
    // A field ends n characters into the text appended next.
    void endFieldAhead(qsizetype n) { ends_.push_back(int(text_.size() + n)); }

private:
    QString text_;          // the fields one after another, a separator between each two
    std::vector<int> ends_; // where each field ends in text_ (a record is under 1 MB)
};

// RFC 4180 reading: quoted fields may hold separators, doubled quotes and line breaks; lines
// end in CRLF, LF or a lone CR. Line numbers count physical lines, so a record after a quoted line
// break keeps the number a text editor shows.
QVector<CsvRecord> ReadCsv(const QString& text, QChar separator = QLatin1Char(','));

// A field as RFC 4180 writes it: quoted when it holds a separator, a quote or a line break.
QString CsvField(const QString& value);

// Lines and rows longer than this are no logbook's: refused rather than held in memory.
inline constexpr qsizetype MaxLineLength = 1 << 20;

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
    // n characters at once; inline, as it runs once a field.
    void count(qsizetype n, qsizetype& lineLength, qsizetype& rowLength)
    {
        if (lineLength + n <= MaxLineLength && rowLength + n <= MaxLineLength) {
            lineLength += n;
            rowLength += n;
            return;
        }
        refuseOver(n, lineLength, rowLength);
    }
    void refuseOver(qsizetype n, qsizetype& lineLength, qsizetype& rowLength);
    bool lineEnd(QChar c); // consumes a line end starting with c, counting it

    TextSource& source_;
    QChar separator_;
    bool backslash_;
    int line_ = 1;
};
