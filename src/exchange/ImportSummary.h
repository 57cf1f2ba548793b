#pragma once

#include "ImportPlan.h"

#include <QString>

// The plan in plain words, per vehicle, as kelmot-data prints it and the preview shows it.
QString ImportSummaryText(const ImportPlan& plan, bool applied);
// A count with its noun: "1 row", "3 rows" (many is the plural), as the import's words give it.
QString CountText(qsizetype n, const QString& one, const QString& many);
