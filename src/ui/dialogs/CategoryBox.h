#pragma once

#include <QString>

class QComboBox;

// The maintenance dialogs' "Category" list: every kind of cost in its order, showing selected
// (Other when selected is no kind).
void FillCategoryBox(QComboBox* box, const QString& selected);
