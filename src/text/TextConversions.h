#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cmath>

// Conversions between what the user types and the values the program stores.
// They read the default QLocale, so main() decides the locale once at start-up.
// Date-times are "naive" (kept as UTC) so that no daylight-saving rule can shift a typed time.

// Today or any date as a naive date-time at midnight.
QDateTime AtMidnight(const QDate& date);

// The date that stands for "not given": 1 January 1900.
QDateTime NoDate();
bool IsNoDate(const QDateTime& value);

bool IsDateText(const QString& text);
// The value of a text IsDateText accepts; an invalid QDateTime otherwise.
QDateTime TextToDate(const QString& text);
// The locale's short date form, followed by the time when the value carries one.
QString DateToText(const QDateTime& value);
QString DateToText(const QDate& value);

bool IsNumericText(const QString& text);
// The value of a text IsNumericText accepts; NaN otherwise.
double TextToNumber(const QString& text);
// The longest leading plain number ("." as decimal point, blanks skipped); 0 when there is none.
double LeadingNumber(const QString& text);

// Nearest whole number, halves to the even neighbour (287.5 -> 288, 12.5 -> 12). Inline: the
// graphs round every point several times.
inline double RoundHalfEven(double value)
{
    // On the whole part, whatever the floating-point rounding mode. From 2^52 up every double
    // is whole; NaN stays NaN.
    if (!(std::fabs(value) < 4503599627370496.0))
        return value;
    qint64 whole = static_cast<qint64>(value);                  // towards zero
    const double fraction = value - static_cast<double>(whole); // exact below 2^52
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0))
        ++whole;
    else if (fraction < -0.5 || (fraction == -0.5 && (whole & 1) != 0))
        --whole;
    return std::copysign(static_cast<double>(whole), value); // -0.4 rounds to -0
}
// Nearest whole number, halves away from zero (62.5 -> 63).
double RoundHalfAway(double value);

// The nearest double to value written with at most fifteen significant digits, as typed
// numbers are shown: a product or conversion keeps no binary noise (26.490789999999997 ->
// 26.49079). A value that already has fifteen digits or fewer comes back unchanged.
double RoundToFifteenDigits(double value);

// A number as plain decimal text: no grouping, "-" when negative, as many decimals as it has up
// to fifteen significant digits, never an exponent. A value worked out from larger figures (a
// difference of readings) passes their size as scale, so that the digits are counted from it.
QString PlainNumber(double value, double scale = 0);

// Readings and distances are kept and shown to the hundredth: finer digits are a converted
// unit's noise, not anything an odometer read.
// The nearest double to value rounded to two decimals (346.7251252684 -> 346.73).
double RoundToHundredths(double value);
// A reading or a distance as the user sees it: rounded to two decimals, the locale's decimal
// point and minus sign, no grouping, no trailing zeros (812.50 -> "812.5", 800 -> "800").
QString DistanceToText(double value);
