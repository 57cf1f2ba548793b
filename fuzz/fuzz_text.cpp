// Feeds arbitrary text to the six conversions and checks that they agree with each other.
#include "TextConversions.h"

#include <QLocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool pinned = [] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        return true;
    }();
    (void)pinned;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const QDateTime date = TextToDate(text);
    if (IsDateText(text) != date.isValid())
        std::abort();
    if (date.isValid() && TextToDate(DateToText(date)) != date)
        std::abort(); // what we show must read back as the same value

    const double number = TextToNumber(text);
    if (IsNumericText(text) == std::isnan(number))
        std::abort();
    if (IsNumericText(text) && !std::isfinite(number))
        std::abort(); // only finite values are numbers

    const double leading = LeadingNumber(text);
    if (std::isnan(leading))
        std::abort();
    if (std::isfinite(leading)) {
        // Fifteen significant digits: read back to within the last of them.
        const double back = LeadingNumber(PlainNumber(leading));
        // (The largest doubles round up past the largest double.)
        const bool near = std::isfinite(back)
                              ? std::fabs(back - leading) <= std::fabs(leading) * 1e-14
                              : std::fabs(leading) > 1.7976931348623e308;
        if (!near)
            std::abort();
        const double rounded = RoundHalfEven(leading);
        if (std::fabs(rounded - leading) > 0.5)
            std::abort();
    }
    return 0;
}
