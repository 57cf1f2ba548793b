#include "NumberForms.h"

#include "TextConversions.h"

#include <QLocale>
#include <cmath>

QString ZeroText()
{
    return QStringLiteral("0");
}

QString ReadingForm(double value)
{
    if (!std::isfinite(value))
        value = 0;
    const double whole = RoundHalfEven(value);
    QString digits = QString::number(std::fabs(whole), 'f', 0);
    if (digits.size() < 6)
        digits = QString(6 - digits.size(), u'0') + digits;
    return whole < 0 ? QStringLiteral("-") + digits : digits;
}

QString CurrencyForm(double value)
{
    if (!std::isfinite(value) || value == 0)
        value = 0; // no "-£0.00"
    return QLocale().toCurrencyString(value);
}

QString TwoDecimalsForm(double value)
{
    if (!std::isfinite(value))
        return ZeroText();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}
