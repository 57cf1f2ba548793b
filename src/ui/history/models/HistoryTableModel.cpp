#include "HistoryTableModel.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <numeric>

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
        std::vector<int> rows(order_.size());
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
    order_.resize(size_t(count));
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
    std::iota(order_.begin(), order_.end(), qsizetype(0));
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    const int column = sortColumn_;
    if (hasNumericKeys(column)) {
        // Entries usually arrive in date order already: then the order is read off, not sorted.
        const qsizetype count = qsizetype(order_.size());
        qsizetype inOrder = 1;
        for (double previous = count > 0 ? numericKey(0, column) : 0; inOrder < count; ++inOrder) {
            const double key = numericKey(inOrder, column);
            if (key < previous)
                break;
            previous = key;
        }
        if (inOrder >= count) {
            if (descending)
                std::reverse(order_.begin(), order_.end());
            return;
        }
        // Keys beside their positions, so that the sort walks one contiguous array.
        std::vector<std::pair<double, qsizetype>> keyed(order_.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {numericKey(qsizetype(i), column), qsizetype(i)};
        if (descending)
            std::sort(keyed.begin(), keyed.end(), std::greater<>());
        else
            std::sort(keyed.begin(), keyed.end());
        for (size_t i = 0; i < keyed.size(); ++i)
            order_[i] = keyed[i].second;
        return;
    }
    std::vector<QString> texts(order_.size());
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = sortText(qsizetype(i), sortColumn_);
    std::sort(order_.begin(), order_.end(), [&](qsizetype a, qsizetype b) {
        const int c = texts[size_t(a)].compare(texts[size_t(b)], Qt::CaseInsensitive);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return descending ? a > b : a < b;
    });
}
