#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QStringList>
#include <vector>

// A table of entries shown newest first and sortable by any column. Sorting reorders a list of
// entry positions by keys: numbers (dates as milliseconds, empty figures lowest) made once per
// load or read off the entries, or the stored text itself, so no cell is formatted while sorting.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit HistoryTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The load position of the entry a table row shows; -1 for a row outside the table.
    qsizetype entryAt(int row) const;
    // The table row that shows an entry; -1 when none does.
    int rowOf(qsizetype entry) const;
    // Identifies an entry across loads (its id in the store); rowOfKey finds it again.
    virtual qint64 entryKey(qsizetype entry) const = 0;
    int rowOfKey(qint64 key) const;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

protected:
    // Subclasses load between beginResetModel() and finishLoad().
    void setHeaders(const QStringList& headers);
    // A numeric key per entry for the column; columns without one sort by sortText.
    void setNumericKeys(int column, std::vector<double> keys);
    // Whether the column sorts by numbers, and an entry's number: by default the keys given
    // above. A model may instead work them out from its entries when a sort asks.
    virtual bool hasNumericKeys(int column) const;
    virtual double numericKey(qsizetype entry, int column) const;
    // Ends a load of count entries, in the order the current sort gives them.
    void finishLoad(qsizetype count);
    // The order before the user picks one; a later load keeps whatever the user picked.
    void presetSort(int column, Qt::SortOrder order);
    // Whether the table shows an entry; refilter() applies a change of the answer.
    virtual bool isShown(qsizetype) const { return true; }
    void refilter();
    virtual QString cellText(qsizetype entry, int column) const = 0;
    virtual QString sortText(qsizetype entry, int column) const;
    virtual Qt::Alignment alignment(int column) const;

    // Stands for a figure that cannot be formed: below every number.
    static double emptyKey();
    // A naive date-time as a number in its order, without any time-zone work.
    static double DateKey(const QDateTime& date);

private:
    void orderEntries();

    QStringList headers_;
    std::vector<std::vector<double>> keys_;
    qsizetype count_ = 0;
    std::vector<qsizetype> order_; // the shown entries, top to bottom
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
};
