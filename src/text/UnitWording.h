#pragma once

#include <QString>

// Captions built from the distance unit word ("Mile", "Kilometre"); its plural adds an s.
QString PluralUnit(const QString& unit);
// "Current Miles": the caption of every current-reading box and of the graphs' reading axis.
QString CurrentUnitsCaption(const QString& unit);
