#include "FillWording.h"

QString FillWord(const FillKind& fill)
{
    QString word = QLatin1String(fill.partial ? "Partial" : "Full");
    if (fill.missedBefore)
        word += QLatin1String(" after a missed fill");
    return word;
}

std::optional<FillKind> FillOfWord(const QString& word)
{
    const QString w = word.trimmed();
    if (w.isEmpty())
        return FillKind{};
    for (const bool partial : {false, true})
        for (const bool missed : {false, true})
            if (w.compare(FillWord({partial, missed}), Qt::CaseInsensitive) == 0)
                return FillKind{partial, missed};
    return std::nullopt;
}
