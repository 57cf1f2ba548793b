// Feeds arbitrary bytes to the import readers: files from other programs are untrusted input.
// Every row read must carry a line of the file, and a finite value wherever it has a number.
#include "ReadImport.h"

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
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    // Line ends are LF, CR LF or a lone CR, as the readers count them.
    qsizetype lines = 1;
    for (qsizetype i = 0; i < content.size(); ++i)
        if (content[i] == '\n' ||
            (content[i] == '\r' && (i + 1 == content.size() || content[i + 1] != '\n')))
            ++lines;
    ImportFile file;
    try {
        file = ReadImportContent(content);
    } catch (const ImportError&) {
        return 0; // no known format: refused as a whole, which is fine
    }
    const auto lineOk = [lines](int line) { return line >= 1 && line <= lines; };
    for (const ImportedReading& r : file.readings)
        if (!lineOk(r.line) || !std::isfinite(r.odometer) || !std::isfinite(r.amount) ||
            !std::isfinite(r.pricePerLitre))
            std::abort();
    for (const ImportedMaintenance& m : file.maintenance)
        if (!lineOk(m.line) || !std::isfinite(m.cost))
            std::abort();
    for (const BrokenRow& b : file.broken)
        if (!lineOk(b.line) || b.reason.isEmpty())
            std::abort();
    return 0;
}
