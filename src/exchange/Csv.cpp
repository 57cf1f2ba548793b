#include "Csv.h"

#include "FormatReading.h"

QVector<CsvRecord> ReadCsv(const QString& text, QChar separator)
{
    TextSource source(text);
    RecordStream stream(source, separator);
    QVector<CsvRecord> records;
    CsvRecord record;
    while (stream.next(record))
        records.append(record);
    return records;
}

QString CsvField(const QString& value)
{
    bool quote = false;
    for (const QChar c : value)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            quote = true;
            break;
        }
    if (!quote)
        return value;
    QString out;
    out.reserve(value.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : value) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}
