// Arbitrary maintenance rows through the report text: every row is written whole, in its quotes,
// with CR LF as the only line end.
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
    // One kind of line end: every CR is followed by LF and every LF follows a CR.
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) ||
            (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')))
            std::abort();
    for (const MaintenanceRow& r : rows) {
        // The description whole, each of its own breaks (CR LF, LF or CR) written as CR LF.
        QString expected;
        for (qsizetype i = 0; i < r.Description.size(); ++i) {
            const QChar c = r.Description[i];
            if (c == u'\r' || c == u'\n') {
                expected += QStringLiteral("\r\n");
                if (c == u'\r' && i + 1 < r.Description.size() && r.Description[i + 1] == u'\n')
                    ++i;
            } else {
                expected += c;
            }
        }
        if (!text.contains(expected))
            std::abort();
    }
    return 0;
}
