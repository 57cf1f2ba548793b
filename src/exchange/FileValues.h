#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Numbers and dates as other programs write them: fixed forms that never follow the user's
// locale. Date-times come back naive (UTC), as the store keeps them.

// What FileNumber read away around a figure, so an import can say so.
struct NumberMarks
{
    bool currency = false;  // a currency sign or code ("$", "€", "EUR")
    bool thousands = false; // a thousands separator ("58,917")
};

// A number with the given decimal mark; currency signs and words, blanks and the other mark
// (as thousands separator) are read away, and recorded in marks when given. Nothing for text
// that holds no number.
std::optional<double> FileNumber(QStringView text, QChar decimal = QLatin1Char('.'),
                                 NumberMarks* marks = nullptr);
// A number whose decimal mark is "." or "," as the text shows it: with both, the last one is the
// decimal mark; a lone "," followed by other than three digits is one too.
std::optional<double> AnyMarkNumber(const QString& text);
// The shortest text that reads back as the same double, never in exponent form.
QString ExactNumber(double value);

enum class DayOrder
{
    YearFirst,
    DayFirst,
    MonthFirst
};

// A date of digits in the given order with any separators, a time of day (H:mm, H:mm:ss, an
// AM/PM mark) optional after it; two-digit years are 20xx, other parts have one or two digits.
// Nothing when it is no valid date or does not start with a digit.
std::optional<QDateTime> FileDate(QStringView text, DayOrder order);
// The order of a date pattern such as "M/d/yyyy", "dd.MM.yyyy" or "yyyy-MM-dd".
DayOrder OrderOfPattern(const QString& pattern);
// The store's own date text: yyyy-MM-dd, with THH:mm:ss when the time is not midnight.
QString StoredDateText(const QDateTime& value);
