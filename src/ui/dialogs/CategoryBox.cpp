#include "CategoryBox.h"

#include "StoreRows.h"

#include <QComboBox>

void FillCategoryBox(QComboBox* box, const QString& selected)
{
    box->clear();
    box->addItems(CostCategory::All);
    const int index = box->findText(selected);
    box->setCurrentIndex(index >= 0 ? index : box->findText(CostCategory::Other));
}
