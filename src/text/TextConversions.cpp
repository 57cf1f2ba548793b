#include "TextConversions.h"

#include <QLocale>
#include <QStringList>

#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

struct DateParts
{
    QDate date;
    QTime time;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0xA0);
}

bool allDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Which field comes first in the locale's short date form: day, month or year.
enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

Order localeOrder()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(u'd');
    const qsizetype m = format.indexOf(u'M');
    const qsizetype y = format.indexOf(u'y');
    if (y >= 0 && (d < 0 || y < d) && (m < 0 || y < m))
        return Order::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d)
        return Order::MonthDayYear;
    return Order::DayMonthYear;
}

int expandYear(const QString& text)
{
    const int y = text.toInt();
    if (text.size() == 4)
        return y;
    return y < 30 ? 2000 + y : 1900 + y; // two-digit years 00-29 are 20xx, 30-99 19xx
}

std::optional<QTime> parseTime(const QString& text)
{
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    for (const QString& p : parts)
        if (!allDigits(p) || p.size() > 2)
            return std::nullopt;
    if (parts[1].size() != 2 || (parts.size() == 3 && parts[2].size() != 2))
        return std::nullopt;
    const QTime t(parts[0].toInt(), parts[1].toInt(), parts.size() == 3 ? parts[2].toInt() : 0);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<QDate> parseDate(const QString& text)
{
    QChar sep;
    for (QChar c : text) {
        if (c == u'/' || c == u'-' || c == u'.') {
            sep = c;
            break;
        }
    }
    if (sep.isNull())
        return std::nullopt;
    const QStringList parts = text.split(sep);
    if (parts.size() != 3)
        return std::nullopt;
    for (const QString& p : parts)
        if (!allDigits(p))
            return std::nullopt;

    int day = 0, month = 0, year = 0;
    if (parts[0].size() == 4) { // ISO: yyyy-MM-dd, whatever the locale
        if (parts[1].size() > 2 || parts[2].size() > 2)
            return std::nullopt;
        year = parts[0].toInt();
        month = parts[1].toInt();
        day = parts[2].toInt();
    } else {
        const Order order = localeOrder();
        const QString& yearText = order == Order::YearMonthDay ? parts[0] : parts[2];
        if (yearText.size() != 2 && yearText.size() != 4)
            return std::nullopt;
        QString dayText, monthText;
        switch (order) {
        case Order::DayMonthYear:
            dayText = parts[0];
            monthText = parts[1];
            break;
        case Order::MonthDayYear:
            monthText = parts[0];
            dayText = parts[1];
            break;
        case Order::YearMonthDay:
            monthText = parts[1];
            dayText = parts[2];
            break;
        }
        if (dayText.size() > 2 || monthText.size() > 2)
            return std::nullopt;
        day = dayText.toInt();
        month = monthText.toInt();
        year = expandYear(yearText);
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100)
        return std::nullopt;
    return date;
}

std::optional<DateParts> parseDateText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QString datePart = trimmed;
    QString timePart;
    qsizetype split = trimmed.indexOf(u' ');
    if (split < 0) {
        // ISO date-time as stored: yyyy-MM-ddTHH:mm:ss
        const qsizetype t = trimmed.indexOf(u'T');
        if (t == 10)
            split = t;
    }
    if (split >= 0) {
        datePart = trimmed.left(split);
        timePart = trimmed.mid(split + 1).trimmed();
        if (timePart.isEmpty())
            return std::nullopt;
    }
    const auto date = parseDate(datePart);
    if (!date)
        return std::nullopt;
    DateParts result{*date, QTime(0, 0)};
    if (!timePart.isEmpty()) {
        const auto time = parseTime(timePart);
        if (!time)
            return std::nullopt;
        result.time = *time;
    }
    return result;
}

// Parses a locale number: optional sign, digits with group separators, decimals, exponent.
std::optional<double> parseNumber(const QString& text)
{
    const QLocale locale;
    const QString group = locale.groupSeparator();
    const QString decimal = locale.decimalPoint();
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();

    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    QString normal; // rebuilt in C-locale form for the conversion
    if (text.mid(i, minus.size()) == minus || text.mid(i, 1) == u"-") {
        normal += u'-';
        i += text.mid(i, minus.size()) == minus ? minus.size() : 1;
    } else if (text.mid(i, plus.size()) == plus || text.mid(i, 1) == u"+") {
        i += text.mid(i, plus.size()) == plus ? plus.size() : 1;
    }
    bool digits = false;
    while (i < n) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            normal += c;
            digits = true;
            ++i;
        } else if (digits && !group.isEmpty() && text.mid(i, group.size()) == group && i + group.size() < n &&
                   text[i + group.size()] >= u'0' && text[i + group.size()] <= u'9') {
            i += group.size();
        } else {
            break;
        }
    }
    if (i < n && text.mid(i, decimal.size()) == decimal) {
        i += decimal.size();
        normal += u'.';
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            normal += text[i];
            digits = true;
            ++i;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent += text[j++];
        const qsizetype start = j;
        while (j < n && text[j] >= u'0' && text[j] <= u'9')
            exponent += text[j++];
        if (j == start)
            return std::nullopt;
        normal += exponent;
        i = j;
    }
    skipBlanks();
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = normal.toDouble(&ok);
    // toDouble refuses out-of-range text; keep it numeric but unstorable, as infinity.
    if (!ok)
        return normal.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity();
    return value;
}

} // namespace

QDateTime AtMidnight(const QDate& date)
{
    return QDateTime(date, QTime(0, 0), Qt::UTC);
}

QDateTime NoDate()
{
    return AtMidnight(QDate(1900, 1, 1));
}

bool IsNoDate(const QDateTime& value)
{
    return value == NoDate();
}

bool IsDateText(const QString& text)
{
    return parseDateText(text).has_value();
}

QDateTime TextToDate(const QString& text)
{
    const auto parts = parseDateText(text);
    if (!parts)
        return {};
    return QDateTime(parts->date, parts->time, Qt::UTC);
}

QString DateToText(const QDate& value)
{
    return QLocale().toString(value, QLocale::ShortFormat);
}

QString DateToText(const QDateTime& value)
{
    if (!value.isValid())
        return {};
    QString text = DateToText(value.date());
    if (value.time() != QTime(0, 0))
        text += u' ' + value.time().toString(QStringLiteral("HH:mm:ss"));
    return text;
}

bool IsNumericText(const QString& text)
{
    return parseNumber(text).has_value();
}

double TextToNumber(const QString& text)
{
    return parseNumber(text).value_or(std::numeric_limits<double>::quiet_NaN());
}

double LeadingNumber(const QString& text)
{
    QString normal;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto next = [&]() -> QChar {
        while (i < n && isBlank(text[i]))
            ++i;
        return i < n ? text[i] : QChar();
    };
    QChar c = next();
    if (c == u'-' || c == u'+') {
        normal += c;
        ++i;
    }
    bool digits = false, point = false;
    while (true) {
        c = next();
        if (c >= u'0' && c <= u'9') {
            normal += c;
            digits = true;
        } else if (c == u'.' && !point) {
            normal += c;
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    c = next();
    if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
        const qsizetype save = i;
        ++i;
        QString exponent = QStringLiteral("e");
        QChar s = next();
        if (s == u'+' || s == u'-') {
            exponent += s;
            ++i;
        }
        bool expDigits = false;
        while (true) {
            s = next();
            if (s < u'0' || s > u'9')
                break;
            exponent += s;
            expDigits = true;
            ++i;
        }
        if (expDigits)
            normal += exponent;
        else
            i = save;
    }
    bool ok = false;
    const double value = normal.toDouble(&ok);
    if (!ok)
        return normal.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity();
    return value;
}

double RoundHalfEven(double value)
{
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double result = std::nearbyint(value);
    std::fesetround(saved);
    return result;
}

double RoundHalfAway(double value)
{
    return std::round(value);
}

QString PlainNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // no "-0"
    // Shortest text that reads back as the same double, never in exponent form.
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    return text;
}
