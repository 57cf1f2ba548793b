#include "StoredValues.h"

#include "StoreError.h"
#include "StoreRows.h"

#include <cmath>

namespace {

[[noreturn]] void conversionFailure(const QString& field)
{
    throw StoreError(
        StoreError::ConversionFailure,
        QStringLiteral("The %1 given cannot be stored: it is not a date or number that "
                       "the vehicle log can hold. Nothing was stored.")
            .arg(field));
}

int digitsAt(const char* s, int at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = s[at + i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// value, 0 <= value < 10^width, as width digits with leading zeros.
void putDigits(char* out, int value, int width)
{
    for (int i = width; i-- > 0; value /= 10)
        out[i] = char('0' + value % 10);
}

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

namespace StoredValues {

bool IsStorableDate(const QDateTime& value)
{
    if (!value.isValid())
        return false;
    const int year = value.date().year();
    return year >= 100 && year <= 9999;
}

void CheckDate(const QDateTime& value, const QString& field)
{
    if (!IsStorableDate(value))
        conversionFailure(field);
}

QString DateText(const QDateTime& value, const QString& field)
{
    char text[19];
    const int size = DateChars(value, field, text);
    return QString::fromLatin1(text, size);
}

int DateChars(const QDateTime& value, const QString& field, char (&out)[19])
{
    CheckDate(value, field);
    // Written digit by digit: an import writes one per reading.
    const QDate d = value.date();
    const QTime t = value.time();
    int year = 0, month = 0, day = 0;
    d.getDate(&year, &month, &day);
    putDigits(out, year, 4);
    out[4] = '-';
    putDigits(out + 5, month, 2);
    out[7] = '-';
    putDigits(out + 8, day, 2);
    if (t == QTime(0, 0))
        return 10;
    out[10] = 'T';
    putDigits(out + 11, t.hour(), 2);
    out[13] = ':';
    putDigits(out + 14, t.minute(), 2);
    out[16] = ':';
    putDigits(out + 17, t.second(), 2);
    return 19;
}

QString MomentText(const QDateTime& value, const QString& field)
{
    CheckDate(value, field);
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

// Hand-rolled because a vehicle may have many thousands of readings to read back.
QDateTime ParseDate(QByteArrayView text)
{
    const char* s = text.data();
    const qsizetype size = text.size();
    if (!s || (size != 10 && size != 19))
        return {};
    const int y = digitsAt(s, 0, 4), mo = digitsAt(s, 5, 2), d = digitsAt(s, 8, 2);
    if (y < 0 || mo < 0 || d < 0 || s[4] != '-' || s[7] != '-')
        return {};
    QTime time(0, 0);
    if (size == 19) {
        const int h = digitsAt(s, 11, 2), mi = digitsAt(s, 14, 2), se = digitsAt(s, 17, 2);
        if (s[10] != 'T' || h < 0 || mi < 0 || se < 0)
            return {};
        time = QTime(h, mi, se);
    }
    return QDateTime(QDate(y, mo, d), time, Qt::UTC);
}

double FiniteNumber(double value, const QString& field)
{
    if (!std::isfinite(value))
        conversionFailure(field);
    return value;
}

const QString& KnownCategory(const QString& category)
{
    if (!CostCategory::All.contains(category))
        throw StoreError(StoreError::ConversionFailure,
                         QStringLiteral("The kind of cost \"%1\" cannot be stored: it is not "
                                        "one the vehicle log knows. Nothing was stored.")
                             .arg(category));
    return category;
}

bool SameRegistration(QByteArrayView a, QByteArrayView b)
{
    // NOCASE folds ASCII letters only.
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

bool SameRegistration(const QString& a, const QString& b)
{
    return SameRegistration(QByteArrayView(a.toUtf8()), QByteArrayView(b.toUtf8()));
}

QString RegistrationKey(const QString& registration)
{
    QString key;
    key.reserve(registration.size());
    for (const QChar c : registration) {
        if (c.isSpace())
            continue;
        const ushort u = c.unicode();
        key += u < 128 ? QChar(folded(char(u))) : c;
    }
    return key;
}

} // namespace StoredValues
