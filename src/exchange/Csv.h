#pragma once

#include "TextSource.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One record of a delimited text file.
struct CsvRecord
{
    int line = 0; // physical line where the record starts, from 1
    QStringList fields;
    bool cutOff = false; // the file ended inside a quoted field
    bool blank() const { return fields.size() == 1 && fields.first().isEmpty(); }
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
    void count(qsizetype n, qsizetype& lineLength, qsizetype& rowLength); // n characters
    bool lineEnd(QChar c); // consumes a line end starting with c, counting it

    TextSource& source_;
    QChar separator_;
    bool backslash_;
    int line_ = 1;
};
