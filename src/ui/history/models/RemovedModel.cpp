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
    switch (kind) {
    case RemovedEntry::Kind::Reading:
        return QStringLiteral("Reading");
    case RemovedEntry::Kind::Maintenance:
        return QStringLiteral("Maintenance");
    default:
        return QStringLiteral("Vehicle Details");
    }
}

QDateTime RemovedModel::DateOf(const RemovedEntry& entry)
{
    switch (entry.kind) {
    case RemovedEntry::Kind::Reading:
        return entry.reading.Date;
    case RemovedEntry::Kind::Maintenance:
        return entry.maintenance.Date;
    default:
        return {}; // a vehicle's details are of no one date
    }
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
        const QDateTime date = DateOf(entries_[qsizetype(i)]);
        dates[i] = date.isValid() ? DateKey(date) : emptyKey();
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
        switch (e.kind) {
        case RemovedEntry::Kind::Reading:
            return ReadingDetails(e.reading, unit_);
        case RemovedEntry::Kind::Maintenance:
            return MaintenanceDetails(e.maintenance);
        default:
            return VehicleDetails(e.details);
        }
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
