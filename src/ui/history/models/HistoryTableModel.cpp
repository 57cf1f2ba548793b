#include "HistoryTableModel.h"

#include <algorithm>
#include <functional>
#include <limits>

HistoryTableModel::HistoryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int HistoryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(order_.size());
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(order_.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cellText(order_[size_t(index.row())], index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(index.column()) | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return headers_[section];
    return {};
}

void HistoryTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= headers_.size())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<qsizetype> entries;
    entries.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        entries.push_back(order_[size_t(index.row())]);

    sortColumn_ = column;
    sortOrder_ = order;
    orderEntries();

    if (!before.isEmpty()) {
        std::vector<int> rows(static_cast<size_t>(count_));
        for (size_t row = 0; row < order_.size(); ++row)
            rows[size_t(order_[row])] = int(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.append(index(rows[size_t(entries[size_t(i)])], before[i].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

qsizetype HistoryTableModel::entryAt(int row) const
{
    return row >= 0 && row < int(order_.size()) ? order_[size_t(row)] : -1;
}

int HistoryTableModel::rowOf(qsizetype entry) const
{
    const auto at = std::find(order_.begin(), order_.end(), entry);
    return at == order_.end() ? -1 : int(at - order_.begin());
}

int HistoryTableModel::rowOfKey(qint64 key) const
{
    for (size_t row = 0; row < order_.size(); ++row)
        if (entryKey(order_[row]) == key)
            return int(row);
    return -1;
}

void HistoryTableModel::setHeaders(const QStringList& headers)
{
    headers_ = headers;
    keys_.assign(size_t(headers.size()), {});
}

void HistoryTableModel::setNumericKeys(int column, std::vector<double> keys)
{
    keys_[size_t(column)] = std::move(keys);
}

bool HistoryTableModel::hasNumericKeys(int column) const
{
    return !keys_[size_t(column)].empty();
}

double HistoryTableModel::numericKey(qsizetype entry, int column) const
{
    return keys_[size_t(column)][size_t(entry)];
}

void HistoryTableModel::finishLoad(qsizetype count)
{
    count_ = count;
    orderEntries();
    endResetModel();
}

void HistoryTableModel::refilter()
{
    beginResetModel();
    orderEntries();
    endResetModel();
}

void HistoryTableModel::presetSort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
}

QString HistoryTableModel::sortText(qsizetype entry, int column) const
{
    return cellText(entry, column);
}

Qt::Alignment HistoryTableModel::alignment(int) const
{
    return Qt::AlignLeft;
}

double HistoryTableModel::emptyKey()
{
    return -std::numeric_limits<double>::infinity();
}

double HistoryTableModel::DateKey(const QDateTime& date)
{
    return double(date.date().toJulianDay()) * 86400000.0 + date.time().msecsSinceStartOfDay();
}

void HistoryTableModel::orderEntries()
{
    // Entries are loaded oldest first, so ties fall back on load order: newest first when
    // descending, and every order is the same each time.
    order_.clear();
    order_.reserve(size_t(count_));
    for (qsizetype entry = 0; entry < count_; ++entry)
        if (isShown(entry))
            order_.push_back(entry);
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    const int column = sortColumn_;
    if (hasNumericKeys(column)) {
        // Entries usually arrive in date order already: then the order is read off, not sorted.
        const bool inOrder =
            std::is_sorted(order_.begin(), order_.end(), [&](qsizetype a, qsizetype b) {
                return numericKey(a, column) < numericKey(b, column);
            });
        if (inOrder) {
            if (descending)
                std::reverse(order_.begin(), order_.end());
            return;
        }
        // Keys beside their positions, so that the sort walks one contiguous array.
        std::vector<std::pair<double, qsizetype>> keyed(order_.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {numericKey(order_[i], column), order_[i]};
        if (descending)
            std::sort(keyed.begin(), keyed.end(), std::greater<>());
        else
            std::sort(keyed.begin(), keyed.end());
        for (size_t i = 0; i < keyed.size(); ++i)
            order_[i] = keyed[i].second;
        return;
    }
    std::vector<QString> texts(static_cast<size_t>(count_));
    for (const qsizetype entry : order_)
        texts[size_t(entry)] = sortText(entry, sortColumn_);
    std::sort(order_.begin(), order_.end(), [&](qsizetype a, qsizetype b) {
        const int c = texts[size_t(a)].compare(texts[size_t(b)], Qt::CaseInsensitive);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return descending ? a > b : a < b;
    });
}
