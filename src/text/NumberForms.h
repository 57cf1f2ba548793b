#pragma once

#include <QString>

// The display forms of the panel and the History tables, read with the default QLocale. A value
// that is not finite shows the zero form of its label.
QString ReadingForm(double value);     // "000000": whole number, at least six digits
QString CurrencyForm(double value);    // QLocale().toCurrencyString
QString TwoDecimalsForm(double value); // "0.00": two decimals, locale separator, no grouping
QString ZeroText();                    // "0"
