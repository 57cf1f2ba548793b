#include "Csv.h"

#include "ExchangeErrors.h"

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

QStringList CsvRecord::fields() const
{
    QStringList all;
    all.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        all << field(i).toString();
    return all;
}

void CsvRecord::clear()
{
    line = 0;
    cutOff = false;
    text_.resize(0); // keeps its room, unlike clear()
    ends_.clear();
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

void RecordStream::refuseOver(qsizetype n, qsizetype& lineLength, qsizetype& rowLength)
{
    for (qsizetype i = 0; i < n; ++i) // the same refusal as character by character
        count(lineLength, rowLength);
}

bool RecordStream::next(CsvRecord& record)
{
    if (source_.atEnd())
        return false;
    record.clear();
    record.line = line_;
    qsizetype lineLength = 0, rowLength = 0;
    const auto ends = [this](QChar c) {
        return c == separator_ || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    };
    for (;;) {
        if (!source_.atEnd() && source_.peek() == QLatin1Char('"')) {
            source_.get();
            bool closed = false;
            while (!source_.atEnd()) {
                const QChar c = source_.get();
                count(lineLength, rowLength);
                if (c == QLatin1Char('"')) {
                    if (!source_.atEnd() && source_.peek() == QLatin1Char('"')) {
                        record.append(source_.get());
                        continue;
                    }
                    closed = true;
                    break;
                }
                if (backslash_ && c == QLatin1Char('\\') && !source_.atEnd() &&
                    source_.peek() == QLatin1Char('"')) {
                    record.append(source_.get());
                    continue;
                }
                if (lineEnd(c))
                    lineLength = 0;
                record.append(c);
            }
            if (!closed)
                record.cutOff = true;
            // Anything between the closing quote and the separator is kept as it stands.
            while (!source_.atEnd() && !ends(source_.peek())) {
                count(lineLength, rowLength);
                record.append(source_.get());
            }
        } else {
            // Fields without quotes are taken a run of characters at a time, the run going on
            // over separators while the next field starts without a quote: a plain record is
            // copied at once. Separators are not counted in a line's length.
            while (!source_.atEnd()) {
                const QStringView rest = source_.rest();
                qsizetype n = 0, separators = 0;
                for (;;) {
                    while (n < rest.size() && !ends(rest[n]))
                        ++n;
                    if (n + 1 >= rest.size() || rest[n] != separator_ ||
                        rest[n + 1] == QLatin1Char('"'))
                        break;
                    record.endFieldAhead(n);
                    ++n;
                    ++separators;
                }
                count(n - separators, lineLength, rowLength);
                record.append(rest.first(n));
                source_.skip(n);
                if (n < rest.size())
                    break;
            }
        }
        record.endField();
        if (!source_.atEnd() && source_.peek() == separator_) {
            record.append(source_.get());
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
