#pragma once

#include <QString>

// Spreadsheets run a cell that begins with =, +, -, @, a tab or a carriage return as a formula.
// The export writes such a text with one leading apostrophe, the common convention for "this is
// text", and the import takes it away again. A text whose leading apostrophes are followed by
// one of those characters gets one apostrophe more, so every text reads back exactly.
QString GuardFormula(const QString& text);
// The inverse of GuardFormula: UnguardFormula(GuardFormula(t)) == t for every t.
QString UnguardFormula(const QString& text);
QStringView UnguardFormula(QStringView text); // the same, without a copy
