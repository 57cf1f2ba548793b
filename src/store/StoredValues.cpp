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
void putDigits(char16_t* out, int value, int width)
{
    for (int i = width; i-- > 0; value /= 10)
        out[i] = char16_t(u'0' + value % 10);
}

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

namespace StoredValues {

bool IsStorableDate(const QDateTime& value)
{
    return value.isValid() && value.date().year() >= 100 && value.date().year() <= 9999;
}

void CheckDate(const QDateTime& value, const QString& field)
{
    if (!IsStorableDate(value))
        conversionFailure(field);
}

QString DateText(const QDateTime& value, const QString& field)
{
    CheckDate(value, field);
    // Written digit by digit: an import writes one per reading.
    const QDate d = value.date();
    const QTime t = value.time();
    char16_t text[19];
    putDigits(text, d.year(), 4);
    text[4] = u'-';
    putDigits(text + 5, d.month(), 2);
    text[7] = u'-';
    putDigits(text + 8, d.day(), 2);
    if (t == QTime(0, 0))
        return QString(reinterpret_cast<const QChar*>(text), 10);
    text[10] = u'T';
    putDigits(text + 11, t.hour(), 2);
    text[13] = u':';
    putDigits(text + 14, t.minute(), 2);
    text[16] = u':';
    putDigits(text + 17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(text), 19);
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
