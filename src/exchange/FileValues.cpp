#include "FileValues.h"

#include <QLocale>
#include <QVarLengthArray>
#include <charconv>
#include <cmath>

namespace {

bool isMark(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(',');
}

// Digits in from_chars' form (nothing when the value read is not finite).
std::optional<double> fromChars(const char* begin, const char* end)
{
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Whether text is only digits, decimal marks and a leading minus; if so, its value or nothing.
std::optional<std::optional<double>> plainFigure(QStringView text, QChar decimal)
{
    char ascii[32];
    if (text.size() > qsizetype(sizeof ascii))
        return std::nullopt;
    bool digits = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            ascii[i] = char(c);
            digits = true;
        } else if (c == decimal.unicode()) {
            ascii[i] = '.';
        } else if (c == u'-' && i == 0) {
            ascii[i] = '-';
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return fromChars(ascii, ascii + text.size());
}

} // namespace

std::optional<double> FileNumber(QStringView text, QChar decimal, NumberMarks* marks)
{
    // Most figures are digits and a decimal mark, perhaps after a minus: read straight, as the
    // walk below would read them.
    if (const auto plain = plainFigure(text, decimal))
        return *plain;
    NumberMarks seen;
    // Letters count as a currency code only as up to three capitals ("EUR", "USD").
    int letters = 0;
    for (const QChar c : text)
        if (c.isLetter() && (++letters > 3 || !(c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return std::nullopt;
    // The figure in from_chars' terms, never longer than the text.
    QVarLengthArray<char, 64> plain(text.size());
    qsizetype size = 0;
    bool digits = false, afterNumber = false, minus = false;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 128) {
            if (afterNumber)
                return std::nullopt; // "12 34": two numbers
            plain[size++] = char(c.unicode());
            digits = true;
        } else if (c == decimal) {
            if (afterNumber)
                return std::nullopt;
            plain[size++] = '.';
        } else if (isMark(c) || c == QLatin1Char('\'') || c == QChar(0x202F) ||
                   c == QChar(0x00A0)) {
            // thousands separators: only between digits
            if (!digits)
                return std::nullopt;
            seen.thousands = true;
        } else if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
            if (digits || minus) // a plus sign is read away, as is one before a minus
                return std::nullopt;
            if (c == QLatin1Char('-')) {
                minus = true;
                plain[size++] = '-';
            }
        } else if (c.isSpace()) {
            if (digits)
                afterNumber = true;
        } else if (c.isLetter() || c.category() == QChar::Symbol_Currency) {
            // currency signs and codes before or after the figure
            if (digits)
                afterNumber = true;
            seen.currency = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    const auto value = fromChars(plain.data(), plain.data() + size);
    if (!value)
        return std::nullopt;
    if (marks) {
        marks->currency = marks->currency || seen.currency;
        marks->thousands = marks->thousands || seen.thousands;
    }
    return value;
}

std::optional<double> AnyMarkNumber(const QString& text)
{
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    QChar decimal = QLatin1Char('.');
    if (comma >= 0 && dot >= 0)
        decimal = comma > dot ? QLatin1Char(',') : QLatin1Char('.');
    else if (comma >= 0 && text.count(QLatin1Char(',')) == 1) {
        qsizetype digitsAfter = 0;
        for (qsizetype i = comma + 1; i < text.size() && text[i].isDigit(); ++i)
            ++digitsAfter;
        if (digitsAfter != 3)
            decimal = QLatin1Char(',');
    }
    return FileNumber(text, decimal);
}

QString ExactNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

DayOrder OrderOfPattern(const QString& pattern)
{
    const qsizetype y = pattern.indexOf(QLatin1Char('y'), 0, Qt::CaseInsensitive);
    const qsizetype m = pattern.indexOf(QLatin1Char('M'));
    const qsizetype d = pattern.indexOf(QLatin1Char('d'), 0, Qt::CaseInsensitive);
    if (y >= 0 && (m < 0 || y < m) && (d < 0 || y < d))
        return DayOrder::YearFirst;
    if (m >= 0 && d >= 0 && m < d)
        return DayOrder::MonthFirst;
    return DayOrder::DayFirst;
}

std::optional<QDateTime> FileDate(QStringView text, DayOrder order)
{
    int parts[6] = {0, 0, 0, 0, 0, 0};
    int widths[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    bool inNumber = false, pm = false, am = false;
    // A date starts with its first number: "-001-01-01" is no date, not 1 January 2001.
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace())
        ++start;
    if (start == text.size() || !(text[start].isDigit() && text[start].unicode() < 128))
        return std::nullopt;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            if (!inNumber) {
                if (count == 6)
                    return std::nullopt;
                ++count;
                inNumber = true;
            }
            if (++widths[count - 1] > 4)
                return std::nullopt;
            parts[count - 1] = parts[count - 1] * 10 + (c.unicode() - '0');
            continue;
        }
        inNumber = false;
        if (c.isLetter()) {
            if (count == 3 && (c == QLatin1Char('T') || c == QLatin1Char('t')))
                continue; // ISO's date-time mark
            const QString rest = text.sliced(i).trimmed().toString().toUpper();
            if (count >= 4 && (rest == QLatin1String("PM") || rest == QLatin1String("P.M.")))
                pm = true;
            else if (count >= 4 && (rest == QLatin1String("AM") || rest == QLatin1String("A.M.")))
                am = true;
            else
                return std::nullopt;
            break;
        }
    }
    if (count != 3 && count != 5 && count != 6)
        return std::nullopt;
    int year = 0, month = 0, day = 0;
    switch (order) {
    case DayOrder::YearFirst:
        year = parts[0], month = parts[1], day = parts[2];
        break;
    case DayOrder::DayFirst:
        day = parts[0], month = parts[1], year = parts[2];
        break;
    case DayOrder::MonthFirst:
        month = parts[0], day = parts[1], year = parts[2];
        break;
    }
    const int yearAt = order == DayOrder::YearFirst ? 0 : 2;
    // Every part but the year has one or two digits ("020" is no day).
    for (int i = 0; i < count; ++i)
        if (i != yearAt && widths[i] > 2)
            return std::nullopt;
    const int yearWidth = widths[yearAt];
    if (yearWidth == 2)
        year += 2000;
    else if (yearWidth != 4)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    int hour = count >= 5 ? parts[3] : 0;
    if (pm || am) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    const QTime time(hour, count >= 5 ? parts[4] : 0, count == 6 ? parts[5] : 0);
    if (!time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString StoredDateText(const QDateTime& value)
{
    const QTime t = value.time();
    if (t == QTime(0, 0))
        return value.date().toString(QStringLiteral("yyyy-MM-dd"));
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}
