#pragma once

#include "ImportFile.h"

#include <QString>
#include <optional>

// A unit word such as "km", "mi", "MILE", "KILOMETER".
FileDistance DistanceWord(const QString& word);
// Litres per unit of a volume word ("US_GALLON", "IMPERIAL_GALLON", "litres", "us gallons");
// nothing for a word that names no volume (kg, kWh).
std::optional<double> LitresPerVolumeWord(const QString& word);
// The note for prices converted from per gallon to per litre.
QString GallonPriceNote(double litresPerUnit);
