#include "TextConversions.h"

#include <QLocale>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

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

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Which field comes first in the locale's short date form: day, month or year.
enum class Order
{
    DayMonthYear,
    MonthDayYear,
    YearMonthDay
};

// One piece of a short date format: a day, month or year field of a given width, or literal text.
struct FormatToken
{
    char field = 0; // 'd', 'M', 'y', or 0 for literal text
    int width = 0;
    QString literal;
};

// What the conversions need from the default locale, worked out once per locale: asking QLocale
// for its formats on every call would dominate the cost of drawing a long log.
struct LocaleInfo
{
    QLocale locale;
    Order order = Order::DayMonthYear;
    QVector<FormatToken> shortDate; // empty when the format has parts the fast path lacks
    QString decimal, group, minus, plus;
};

LocaleInfo makeLocaleInfo(const QLocale& locale)
{
    LocaleInfo info;
    info.locale = locale;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(u'd');
    const qsizetype m = format.indexOf(u'M');
    const qsizetype y = format.indexOf(u'y');
    if (y >= 0 && (d < 0 || y < d) && (m < 0 || y < m))
        info.order = Order::YearMonthDay;
    else if (m >= 0 && d >= 0 && m < d)
        info.order = Order::MonthDayYear;

    bool simple = true;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        FormatToken token;
        if ((c == u'd' || c == u'M') && run <= 2) {
            token.field = char(c.unicode());
            token.width = int(run);
        } else if (c == u'y' && (run == 2 || run == 4)) {
            token.field = 'y';
            token.width = int(run);
        } else if (c.isLetter() || c == u'\'') {
            simple = false; // names of days or months, quoting: leave those to QLocale
            break;
        } else {
            token.literal = format.mid(i, run);
        }
        info.shortDate.append(token);
        i += run;
    }
    if (!simple)
        info.shortDate.clear();
    info.decimal = locale.decimalPoint();
    info.group = locale.groupSeparator();
    info.minus = locale.negativeSign();
    info.plus = locale.positiveSign();
    return info;
}

const LocaleInfo& localeInfo()
{
    thread_local LocaleInfo cached = makeLocaleInfo(QLocale());
    const QLocale current;
    if (!(current == cached.locale))
        cached = makeLocaleInfo(current);
    return cached;
}

// Reads 1 to maxDigits digits at text[i]; -1 when there are none or too many.
int readNumberField(QStringView text, qsizetype& i, int maxDigits, int* digits = nullptr)
{
    int value = 0, count = 0;
    while (i < text.size() && isDigit(text[i])) {
        if (++count > maxDigits)
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    if (digits)
        *digits = count;
    return count == 0 ? -1 : value;
}

std::optional<QTime> parseTime(QStringView text)
{
    qsizetype i = 0;
    const int hour = readNumberField(text, i, 2);
    if (hour < 0 || i >= text.size() || text[i] != u':')
        return std::nullopt;
    ++i;
    int digits = 0;
    const int minute = readNumberField(text, i, 2, &digits);
    if (minute < 0 || digits != 2)
        return std::nullopt;
    int second = 0;
    if (i < text.size()) {
        if (text[i] != u':')
            return std::nullopt;
        ++i;
        second = readNumberField(text, i, 2, &digits);
        if (second < 0 || digits != 2 || i != text.size())
            return std::nullopt;
    }
    const QTime t(hour, minute, second);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<QDate> parseDate(QStringView text)
{
    int fields[3] = {};
    int widths[3] = {};
    QChar separator;
    qsizetype i = 0;
    for (int f = 0; f < 3; ++f) {
        if (f > 0) {
            if (i >= text.size())
                return std::nullopt;
            const QChar c = text[i];
            if (f == 1) {
                if (c != u'/' && c != u'-' && c != u'.')
                    return std::nullopt;
                separator = c;
            } else if (c != separator) {
                return std::nullopt;
            }
            ++i;
        }
        fields[f] = readNumberField(text, i, 4, &widths[f]);
        if (fields[f] < 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    int day = 0, month = 0, year = 0;
    int yearWidth = 0;
    if (widths[0] == 4) { // ISO: yyyy-MM-dd, whatever the locale
        if (widths[1] > 2 || widths[2] > 2)
            return std::nullopt;
        year = fields[0];
        month = fields[1];
        day = fields[2];
        yearWidth = 4;
    } else {
        int y = 2, m = 1, d = 0;
        switch (localeInfo().order) {
        case Order::DayMonthYear:
            break;
        case Order::MonthDayYear:
            m = 0;
            d = 1;
            break;
        case Order::YearMonthDay:
            y = 0;
            m = 1;
            d = 2;
            break;
        }
        if (widths[d] > 2 || widths[m] > 2)
            return std::nullopt;
        yearWidth = widths[y];
        day = fields[d];
        month = fields[m];
        year = fields[y];
    }
    if (yearWidth == 2)
        year += year < 30 ? 2000 : 1900; // two-digit years 00-29 are 20xx, 30-99 19xx
    else if (yearWidth != 4)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100)
        return std::nullopt;
    return date;
}

std::optional<DateParts> parseDateText(const QString& text)
{
    QStringView view = QStringView(text).trimmed();
    if (view.isEmpty())
        return std::nullopt;
    QStringView datePart = view;
    QStringView timePart;
    qsizetype split = view.indexOf(u' ');
    if (split < 0 && view.size() > 10 && view[10] == u'T')
        split = 10; // ISO date-time as stored: yyyy-MM-ddTHH:mm:ss
    if (split >= 0) {
        datePart = view.left(split);
        timePart = view.mid(split + 1).trimmed();
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

// A plain C-locale number text to its value; text that overflows reads as infinity.
double toDouble(const std::string& plain)
{
    double value = 0;
    const char* begin = plain.data();
    const char* end = begin + plain.size();
    const auto [ptr, error] = std::from_chars(begin, end, value);
    if (error == std::errc::result_out_of_range) {
        // from_chars reports underflow the same way: tell the two apart by the exponent's sign.
        const auto e = plain.find_first_of("eE");
        const bool tiny = e != std::string::npos && e + 1 < plain.size() && plain[e + 1] == '-';
        if (tiny)
            return plain[0] == '-' ? -0.0 : 0.0;
        return plain[0] == '-' ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
    }
    if (error != std::errc() || ptr != end)
        return std::numeric_limits<double>::quiet_NaN();
    return value;
}

bool startsWith(QStringView text, qsizetype at, const QString& what)
{
    return !what.isEmpty() && text.mid(at, what.size()) == what;
}

// Parses a locale number: optional sign, digits with group separators, decimals, exponent.
std::optional<double> parseNumber(const QString& text)
{
    const LocaleInfo& locale = localeInfo();
    const QStringView view(text);
    qsizetype i = 0;
    const qsizetype n = view.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(view[i]))
            ++i;
    };
    skipBlanks();
    std::string plain; // rebuilt in C-locale form for the conversion
    plain.reserve(size_t(n));
    if (startsWith(view, i, locale.minus) || (i < n && view[i] == u'-')) {
        plain += '-';
        i += startsWith(view, i, locale.minus) ? locale.minus.size() : 1;
    } else if (startsWith(view, i, locale.plus) || (i < n && view[i] == u'+')) {
        i += startsWith(view, i, locale.plus) ? locale.plus.size() : 1;
    }
    // Whole part: group separators only between groups of three digits, the first group one
    // to three digits long ("1,234", "11,000"); "40,00", "1,6" and "1234,567" are not numbers.
    bool digits = false;
    int groupDigits = 0; // digits since the start or since the last separator
    bool grouped = false;
    while (i < n) {
        const QChar c = view[i];
        if (isDigit(c)) {
            plain += char(c.unicode());
            digits = true;
            ++groupDigits;
            ++i;
        } else if (startsWith(view, i, locale.group) && i + locale.group.size() < n &&
                   isDigit(view[i + locale.group.size()])) {
            if (groupDigits == 0 || groupDigits > 3 || (grouped && groupDigits != 3))
                return std::nullopt;
            grouped = true;
            groupDigits = 0;
            i += locale.group.size();
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3)
        return std::nullopt;
    if (startsWith(view, i, locale.decimal)) {
        i += locale.decimal.size();
        plain += '.';
        while (i < n && isDigit(view[i])) {
            plain += char(view[i].unicode());
            digits = true;
            ++i;
        }
    }
    if (!digits)
        return std::nullopt;
    if (plain == "." || plain == "-.")
        return std::nullopt;
    if (plain.back() == '.')
        plain += '0';
    if (plain[0] == '.' || (plain[0] == '-' && plain[1] == '.'))
        plain.insert(plain[0] == '-' ? 1 : 0, 1, '0');
    if (i < n && (view[i] == u'e' || view[i] == u'E')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (view[j] == u'+' || view[j] == u'-'))
            exponent += char(view[j++].unicode());
        const qsizetype start = j;
        while (j < n && isDigit(view[j]))
            exponent += char(view[j++].unicode());
        if (j == start)
            return std::nullopt;
        plain += exponent;
        i = j;
    }
    skipBlanks();
    if (i != n)
        return std::nullopt;
    // "1e400" reads as infinity: a value no field can hold is no number.
    const double value = toDouble(plain);
    if (!std::isfinite(value))
        return std::nullopt;
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
    const LocaleInfo& locale = localeInfo();
    if (locale.shortDate.isEmpty() || !value.isValid() || value.year() < 1 || value.year() > 9999)
        return locale.locale.toString(value, QLocale::ShortFormat);
    QChar buffer[32];
    qsizetype used = 0;
    int year = 0, month = 0, day = 0;
    value.getDate(&year, &month, &day); // one calendar conversion instead of three
    auto put = [&](int number, int width) {
        for (int divisor = width == 4 ? 1000 : 10; divisor > 0; divisor /= 10)
            if (width > 1 || divisor == 1 || number >= divisor)
                buffer[used++] = QChar(u'0' + (number / divisor) % 10);
    };
    for (const FormatToken& token : locale.shortDate) {
        switch (token.field) {
        case 'd':
            put(day, token.width);
            break;
        case 'M':
            put(month, token.width);
            break;
        case 'y':
            put(token.width == 2 ? year % 100 : year, token.width);
            break;
        default:
            if (used + token.literal.size() > 32)
                return locale.locale.toString(value, QLocale::ShortFormat);
            for (QChar c : token.literal)
                buffer[used++] = c;
        }
    }
    return QString(buffer, used);
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
    const QStringView view(text);
    const qsizetype n = view.size();
    // The graph tables hold whole readings: up to fifteen plain digits, an optional minus in
    // front, are exactly the integer they spell, with no string built for them.
    if (n > 0 && n <= 16) {
        const bool negative = view[0] == u'-';
        qsizetype i = negative ? 1 : 0;
        if (i < n && n - i <= 15) {
            qint64 whole = 0;
            while (i < n && isDigit(view[i]))
                whole = whole * 10 + (view[i++].unicode() - u'0');
            if (i == n)
                return negative ? -double(whole) : double(whole);
        }
    }
    qsizetype i = 0;
    auto next = [&]() -> QChar {
        while (i < n && isBlank(view[i]))
            ++i;
        return i < n ? view[i] : QChar();
    };
    std::string plain;
    QChar c = next();
    if (c == u'-' || c == u'+') {
        if (c == u'-')
            plain += '-';
        ++i;
    }
    bool digits = false, point = false;
    while (true) {
        c = next();
        if (isDigit(c)) {
            plain += char(c.unicode());
            digits = true;
        } else if (c == u'.' && !point) {
            plain += '.';
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    if (plain.back() == '.')
        plain += '0';
    if (plain[0] == '.' || (plain[0] == '-' && plain[1] == '.'))
        plain.insert(plain[0] == '-' ? 1 : 0, 1, '0');
    c = next();
    if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
        const qsizetype save = i;
        ++i;
        std::string exponent = "e";
        QChar s = next();
        if (s == u'+' || s == u'-') {
            exponent += char(s.unicode());
            ++i;
        }
        bool expDigits = false;
        while (isDigit(s = next())) {
            exponent += char(s.unicode());
            expDigits = true;
            ++i;
        }
        if (expDigits)
            plain += exponent;
        else
            i = save;
    }
    return toDouble(plain);
}

double RoundHalfAway(double value)
{
    return std::round(value);
}

double RoundToFifteenDigits(double value)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    // to_chars and from_chars round correctly, so the decimal in between is the nearest one.
    char text[40];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 14);
    double rounded = value;
    std::from_chars(text, written.ptr, rounded);
    return rounded;
}

QString PlainNumber(double value, double scale)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0"); // no "-0"
    // Odometer readings are whole numbers: the integer conversion is much the quicker.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        // Written by hand: QString::number goes through the locale machinery for every cell.
        char16_t digits[20];
        qsizetype at = 20;
        const bool negative = value < 0;
        for (qint64 rest = qint64(std::fabs(value)); rest > 0; rest /= 10)
            digits[--at] = char16_t(u'0' + rest % 10);
        if (negative)
            digits[--at] = u'-';
        return QString(reinterpret_cast<const QChar*>(digits + at), 20 - at);
    }
    // Fifteen significant digits, counted from the larger of the value and the scale of the
    // figures it was worked out from, as a decimal calculator holds them: so 10400.3 - 10000.1
    // shows 400.2, not its binary neighbour 400.19999999999891. Never in exponent form.
    const double magnitude =
        std::fmax(std::fabs(value), std::isfinite(scale) ? std::fabs(scale) : 0);
    const int wholeDigits = int(std::floor(std::log10(magnitude))) + 1;
    QString text;
    if (wholeDigits >= 15) {
        text = QString::number(RoundHalfEven(value / std::pow(10.0, wholeDigits - 15)), 'f', 0);
        if (text != QLatin1String("0") && text != QLatin1String("-0"))
            text += QString(wholeDigits - 15, u'0');
    } else {
        text = QString::number(value, 'f', 15 - wholeDigits);
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    if (text == QLatin1String("-0") || text.isEmpty())
        return QStringLiteral("0");
    return text;
}

namespace {

// value to two decimals, correctly rounded, in C form ("-346.73", "800.00"); false for NaN and
// infinities.
bool hundredthsText(double value, char (&text)[400], char*& end)
{
    if (!std::isfinite(value))
        return false;
    // Fixed form never uses an exponent; 400 characters hold the largest double.
    end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
    return true;
}

} // namespace

double RoundToHundredths(double value)
{
    char text[400];
    char* end = nullptr;
    if (!hundredthsText(value, text, end))
        return value;
    double rounded = value;
    std::from_chars(text, end, rounded);
    return rounded == 0 ? 0.0 : rounded; // no -0 from -0.001
}

QString DistanceToText(double value)
{
    char text[400];
    char* end = nullptr;
    if (!hundredthsText(value, text, end))
        return QStringLiteral("0");
    while (end[-1] == '0')
        --end; // "812.50" -> "812.5", "800.00" -> "800."
    if (end[-1] == '.')
        --end;
    const bool negative = text[0] == '-';
    const char* digits = negative ? text + 1 : text;
    if (end - digits == 1 && digits[0] == '0')
        return QStringLiteral("0"); // no "-0" for a tiny negative
    const LocaleInfo& locale = localeInfo();
    QString shown;
    shown.reserve(qsizetype(end - text) + 2);
    if (negative)
        shown += locale.minus;
    for (const char* c = digits; c != end; ++c)
        if (*c == '.')
            shown += locale.decimal;
        else
            shown += QChar(char16_t(*c));
    return shown;
}
