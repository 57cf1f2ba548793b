#include "UnitWords.h"

#include "FileFormats.h"

FileDistance DistanceWord(const QString& word)
{
    const QString w = word.trimmed().toUpper();
    if (w.startsWith(QLatin1String("MI")))
        return FileDistance::Miles;
    if (w.startsWith(QLatin1String("K")))
        return FileDistance::Kilometres;
    return FileDistance::Unknown;
}

std::optional<double> LitresPerVolumeWord(const QString& word)
{
    const QString w = word.trimmed().toLower();
    if (w.contains(QLatin1String("imp")) || w.contains(QLatin1String("uk")))
        return LitresPerImperialGallon;
    if (w.contains(QLatin1String("gal")))
        return LitresPerUsGallon;
    if (w.isEmpty() || w.startsWith(QLatin1String("lit")) || w == QLatin1String("l"))
        return 1.0;
    return std::nullopt;
}

QString GallonPriceNote(double litresPerUnit)
{
    return litresPerUnit == LitresPerImperialGallon
               ? QStringLiteral("prices per imperial gallon converted to per litre "
                                "(1 imperial gallon = 4.54609 litres)")
               : QStringLiteral("prices per US gallon converted to per litre "
                                "(1 US gallon = 3.785411784 litres)");
}
