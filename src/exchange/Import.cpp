#include "Clock.h"
#include "Csv.h"
#include "Exchange.h"
#include "FileFormats.h"
#include "FileValues.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QFile>
#include <algorithm>
#include <map>
#include <tuple>

QStringList ImportFormatNames()
{
    QStringList names;
    for (const FileFormat& f : FileFormats())
        names << QString::fromLatin1(f.name);
    return names;
}

ImportFile ReadImportContent(const QByteArray& content, const QString& format,
                             const ExchangeProgress& progress)
{
    const QString text = DecodeUtf8(content);
    if (text.trimmed().isEmpty())
        throw ImportError(QStringLiteral("The file is empty; nothing was imported."));
    const QString firstLine = FirstNonBlankLine(text);
    for (const FileFormat& f : FileFormats()) {
        const bool named = !format.isEmpty();
        if (named ? format.compare(QLatin1String(f.name), Qt::CaseInsensitive) != 0
                  : !f.detect(firstLine))
            continue;
        ImportFile file = f.read(text, progress);
        if (named && file.readings.isEmpty() && file.maintenance.isEmpty() && !f.detect(firstLine))
            throw ImportError(
                QStringLiteral("The file could not be read as %1; nothing was imported.")
                    .arg(format));
        return file;
    }
    if (!format.isEmpty())
        throw ImportError(QStringLiteral("There is no format named \"%1\" (known: %2).")
                              .arg(format, ImportFormatNames().join(QStringLiteral(", "))));
    throw ImportError(QStringLiteral("The file is not in any format Kelmot can import (%1); "
                                     "nothing was imported.")
                          .arg(ImportFormatNames().join(QStringLiteral(", "))));
}

ImportFile ReadImportFile(const QString& path, const QString& format,
                          const ExchangeProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(
            QStringLiteral("The file %1 could not be opened; nothing was imported.").arg(path));
    return ReadImportContent(file.readAll(), format, progress);
}
