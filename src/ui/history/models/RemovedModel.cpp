#include "RemovedModel.h"

#include "TableText.h"
#include "TextConversions.h"

RemovedModel::RemovedModel(QObject* parent) : HistoryTableModel(parent)
{
    // Most recently removed first, until the user sorts otherwise.
    presetSort(RemovedAtColumn, Qt::DescendingOrder);
}

QString RemovedModel::KindText(RemovedEntry::Kind kind)
{
    return kind == RemovedEntry::Kind::Reading ? QStringLiteral("Reading")
                                               : QStringLiteral("Maintenance");
}

QDateTime RemovedModel::DateOf(const RemovedEntry& entry)
{
    return entry.kind == RemovedEntry::Kind::Reading ? entry.reading.Date : entry.maintenance.Date;
}

void RemovedModel::load(QVector<RemovedEntry> entries, const QString& unit)
{
    beginResetModel();
    setHeaders({QStringLiteral("Kind"), QStringLiteral("Date"), QStringLiteral("Details"),
                QStringLiteral("Removed At"), QStringLiteral("Reason")});
    entries_ = std::move(entries);
    unit_ = unit;
    const size_t count = size_t(entries_.size());
    std::vector<double> dates(count), removed(count);
    for (size_t i = 0; i < count; ++i) {
        dates[i] = DateKey(DateOf(entries_[qsizetype(i)]));
        removed[i] = DateKey(entries_[qsizetype(i)].RemovedAt);
    }
    setNumericKeys(DateColumn, std::move(dates));
    setNumericKeys(RemovedAtColumn, std::move(removed));
    finishLoad(entries_.size());
}

QString RemovedModel::cellText(qsizetype entry, int column) const
{
    const RemovedEntry& e = entries_[entry];
    switch (column) {
    case KindColumn:
        return KindText(e.kind);
    case DateColumn:
        return DateToText(DateOf(e));
    case DetailsColumn:
        return e.kind == RemovedEntry::Kind::Reading ? ReadingDetails(e.reading, unit_)
                                                     : MaintenanceDetails(e.maintenance);
    case RemovedAtColumn:
        return DateToText(e.RemovedAt);
    case ReasonColumn:
        return e.Reason;
    default:
        return {};
    }
}

QString RemovedModel::sortText(qsizetype entry, int column) const
{
    return column == ReasonColumn ? entries_[entry].Reason
                                  : HistoryTableModel::sortText(entry, column);
}
