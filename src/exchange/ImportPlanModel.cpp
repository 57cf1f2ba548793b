#include "ImportPlanModel.h"

void ImportPlanModel::setPlan(const ImportPlan& plan)
{
    beginResetModel();
    vehicles_ = plan.vehicles;
    endResetModel();
}

QString ImportPlanModel::keyAt(int row) const
{
    return row >= 0 && row < vehicles_.size() ? vehicles_[row].key : QString();
}

int ImportPlanModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(vehicles_.size());
}

int ImportPlanModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ImportPlanModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= vehicles_.size())
        return {};
    const VehicleImportSummary& v = vehicles_[index.row()];
    if (role == Qt::TextAlignmentRole)
        return index.column() == VehicleColumn || index.column() == InTheFileColumn
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::EditRole && index.column() == VehicleColumn)
        return v.registration;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case VehicleColumn:
        if (v.registration.isEmpty())
            return QStringLiteral("(no registration)");
        return v.newVehicle ? v.registration + QStringLiteral(" (new)") : v.registration;
    case ReadingsAdded:
        return QString::number(v.readingsAdded);
    case ReadingsPresent:
        return QString::number(v.readingsPresent);
    case MaintenanceAdded:
        return QString::number(v.maintenanceAdded);
    case MaintenancePresent:
        return QString::number(v.maintenancePresent);
    case RefusedColumn:
        return QString::number(v.refused.size());
    case InTheFileColumn:
        return v.fileName;
    default:
        return {};
    }
}

QVariant ImportPlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[ColumnCount] = {"Vehicle",
                                                      "Readings to add",
                                                      "Readings present",
                                                      "Maintenance to add",
                                                      "Maintenance present",
                                                      "Refused",
                                                      "In the file"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section])
                                                 : QVariant();
}

Qt::ItemFlags ImportPlanModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == VehicleColumn ? shown | Qt::ItemIsEditable : shown;
}

bool ImportPlanModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != VehicleColumn ||
        index.row() >= vehicles_.size())
        return false;
    const QString registration = value.toString().trimmed();
    if (registration.isEmpty() || registration == vehicles_[index.row()].registration)
        return false;
    emit registrationChosen(vehicles_[index.row()].key, registration);
    return true;
}
