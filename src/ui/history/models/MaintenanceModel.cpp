#include "MaintenanceModel.h"

#include "NumberForms.h"
#include "TableText.h"
#include "TextConversions.h"

MaintenanceModel::MaintenanceModel(QObject* parent) : HistoryTableModel(parent) {}

void MaintenanceModel::load(QVector<MaintenanceEntry> entries)
{
    beginResetModel();
    setHeaders({QStringLiteral("Date"), QStringLiteral("Cost"), QStringLiteral("Description"),
                QStringLiteral("Category")});
    entries_ = std::move(entries);
    const size_t count = size_t(entries_.size());
    std::vector<double> dates(count), costs(count);
    for (size_t i = 0; i < count; ++i) {
        dates[i] = DateKey(entries_[qsizetype(i)].row.Date);
        costs[i] = entries_[qsizetype(i)].row.Cost;
    }
    setNumericKeys(DateColumn, std::move(dates));
    setNumericKeys(CostColumn, std::move(costs));
    finishLoad(entries_.size());
}

QString MaintenanceModel::cellText(qsizetype entry, int column) const
{
    const MaintenanceRow& row = entries_[entry].row;
    switch (column) {
    case DateColumn:
        return DateToText(row.Date);
    case CostColumn:
        return CurrencyForm(row.Cost);
    case DescriptionColumn:
        return WithLineBreaks(row.Description);
    case CategoryColumn:
        return row.Category;
    default:
        return {};
    }
}

QString MaintenanceModel::sortText(qsizetype entry, int column) const
{
    return column == DescriptionColumn ? entries_[entry].row.Description
                                       : HistoryTableModel::sortText(entry, column);
}

Qt::Alignment MaintenanceModel::alignment(int column) const
{
    return column == CostColumn ? Qt::AlignRight : Qt::AlignLeft;
}

void MaintenanceModel::showCategory(const QString& category)
{
    if (category == category_)
        return;
    category_ = category;
    refilter();
}

bool MaintenanceModel::isShown(qsizetype entry) const
{
    return category_.isEmpty() || entries_[entry].row.Category == category_;
}
