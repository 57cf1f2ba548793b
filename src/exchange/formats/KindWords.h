#pragma once

#include "StoreRows.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the other logbooks' words say of an entry's kind: a fill-up's yes/no flags and the kind
// of a cost.

// "Yes"/"No", "True"/"False" (any case) or "1"/"0"; nothing for any other text.
std::optional<bool> YesNoWord(const QString& word);
// The kind (CostCategory) the first of texts that names one names, in English, German,
// Italian, Romanian or Portuguese words ("Reifen", "Parcare", "engine_oil"); else none.
QString CostCategoryOf(const QStringList& texts, const QString& none = CostCategory::Other);
