#pragma once

#include "ImportFile.h"

#include <QString>
#include <optional>

// The words of the "Fill" column of Kelmot's own CSV: "Full", "Partial", "Full after a missed
// fill", "Partial after a missed fill".
QString FillWord(const FillKind& fill);
// The fill a word names (any case); an empty word is a full fill, as in files written before
// the column; nothing for any other word.
std::optional<FillKind> FillOfWord(const QString& word);
