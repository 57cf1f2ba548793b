#include "Csv.h"

#include <QStringDecoder>

QVector<CsvRecord> ReadCsv(const QString& text, QChar separator)
{
    QVector<CsvRecord> records;
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        CsvRecord record;
        record.line = line;
        QString field;
        bool recordDone = false;
        while (!recordDone) {
            field.clear();
            if (i < n && p[i] == QLatin1Char('"')) {
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = p[i];
                    if (c == QLatin1Char('"')) {
                        if (i + 1 < n && p[i + 1] == QLatin1Char('"')) {
                            field += c;
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                    ++i;
                }
                if (!closed)
                    record.cutOff = true;
                // Anything between the closing quote and the separator is kept as it stands.
                while (i < n && p[i] != separator && p[i] != QLatin1Char('\n') &&
                       p[i] != QLatin1Char('\r'))
                    field += p[i++];
            } else {
                const qsizetype start = i;
                while (i < n && p[i] != separator && p[i] != QLatin1Char('\n') &&
                       p[i] != QLatin1Char('\r'))
                    ++i;
                field = QString(p + start, i - start);
            }
            record.fields.append(field);
            if (i < n && p[i] == separator) {
                ++i;
                continue;
            }
            if (i < n && p[i] == QLatin1Char('\r'))
                ++i;
            if (i < n && p[i] == QLatin1Char('\n'))
                ++i;
            ++line;
            recordDone = true;
        }
        records.append(std::move(record));
    }
    return records;
}

QString DecodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
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
