#pragma once

#include "HistoryTableModel.h"
#include "StoreRows.h"

#include <QVector>

// The "Removed" tab: every entry of the vehicle that was removed or replaced by an edit, and the
// details of each vehicle merged into it.
class RemovedModel final : public HistoryTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        KindColumn,
        DateColumn,
        DetailsColumn,
        RemovedAtColumn,
        ReasonColumn,
        ColumnCount
    };

    explicit RemovedModel(QObject* parent = nullptr);

    // entries in the order they were removed; unit words a reading's details.
    void load(QVector<RemovedEntry> entries, const QString& unit);
    const QVector<RemovedEntry>& entries() const { return entries_; }

    static QString KindText(RemovedEntry::Kind kind);
    // The date of the entry that was removed.
    static QDateTime DateOf(const RemovedEntry& entry);

    // The three Removed tables number their rows apart.
    qint64 entryKey(qsizetype entry) const override
    {
        return entries_[entry].id * 3 + qint64(entries_[entry].kind);
    }

protected:
    QString cellText(qsizetype entry, int column) const override;
    QString sortText(qsizetype entry, int column) const override;

private:
    QVector<RemovedEntry> entries_;
    QString unit_;
};
