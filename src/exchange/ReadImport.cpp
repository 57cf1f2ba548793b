#include "ReadImport.h"

#include "Columns.h"
#include "FileBuilder.h"
#include "FileFormats.h"
#include "TextSource.h"

#include <QBuffer>
#include <QFile>
#include <new>

namespace {

ImportFile readDevice(QIODevice& device, const ImportReadOptions& options,
                      const ExchangeProgress& progress)
{
    TextSource source(device);
    const QString firstLine = FirstNonBlank(source.head());
    if (firstLine.isEmpty() && source.head().size() < 8192)
        throw ImportError(QStringLiteral("The file is empty; nothing was imported."));
    const QString& format = options.format;
    for (const FileFormat& f : FileFormats()) {
        const bool named = !format.isEmpty();
        if (named ? format.compare(QLatin1String(f.name), Qt::CaseInsensitive) != 0
                  : !f.detect(firstLine))
            continue;
        FileBuilder builder(f.name, source, options, progress);
        f.read(builder);
        ImportFile file = builder.finish();
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

} // namespace

QStringList ImportFormatNames()
{
    QStringList names;
    for (const FileFormat& f : FileFormats())
        names << QString::fromLatin1(f.name);
    return names;
}

ImportFile ReadImportDevice(QIODevice& device, const ImportReadOptions& options,
                            const ExchangeProgress& progress)
{
    try {
        return readDevice(device, options, progress);
    } catch (const std::bad_alloc&) {
        throw ImportError(QStringLiteral("There was not enough memory to read the file; nothing "
                                         "was imported."));
    }
}

ImportFile ReadImportContent(const QByteArray& content, const ImportReadOptions& options,
                             const ExchangeProgress& progress)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    return ReadImportDevice(buffer, options, progress);
}

ImportFile ReadImportFile(const QString& path, const ImportReadOptions& options,
                          const ExchangeProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(
            QStringLiteral("The file %1 could not be opened; nothing was imported.").arg(path));
    return ReadImportDevice(file, options, progress);
}
