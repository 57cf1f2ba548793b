// Arbitrary maintenance rows through the report text: every row is written whole, in its quotes.
#include "MaintenanceReport.h"
#include "TextConversions.h"

#include <QLocale>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool pinned = [] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        return true;
    }();
    (void)pinned;
    FuzzedDataProvider in(data, size);
    QVector<MaintenanceRow> rows(in.ConsumeIntegralInRange<int>(0, 16));
    for (MaintenanceRow& r : rows) {
        r.Date = QDateTime(QDate(1900, 1, 1).addDays(in.ConsumeIntegralInRange<int>(0, 60000)),
                           QTime(0, 0).addSecs(in.ConsumeIntegralInRange<int>(0, 86399)), Qt::UTC);
        r.Cost = in.ConsumeFloatingPoint<double>();
        const std::string description = in.ConsumeRandomLengthString(200);
        r.Description = QString::fromUtf8(description.data(), qsizetype(description.size()));
    }
    const QString text = MaintenanceReportText(rows);
    if (!text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1String("\"\r\n")))
        std::abort();
    for (const MaintenanceRow& r : rows)
        if (!text.contains(r.Description))
            std::abort();
    return 0;
}
