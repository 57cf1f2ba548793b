#pragma once

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
