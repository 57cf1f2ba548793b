#pragma once

#include <QString>
#include <optional>

// Captions built from the distance unit word ("Mile", "Kilometre"); its plural adds an s.
QString PluralUnit(const QString& unit);
// "Current Miles": the caption of every current-reading box and of the graphs' reading axis.
QString CurrentUnitsCaption(const QString& unit);

// The two distance units. Every figure is in the one the preference names, never converted.
enum class DistanceUnitKind
{
    Mile,
    Kilometre
};
// The unit a word names exactly ("Mile", "Kilometre"); nothing for any other word.
std::optional<DistanceUnitKind> UnitNamed(QStringView word);
// The log's unit from the preference's word: anything but "Kilometre" means miles.
DistanceUnitKind LogUnitOf(const QString& word);
QString UnitWord(DistanceUnitKind unit);
