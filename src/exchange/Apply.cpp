#include "Exchange.h"
#include "VehicleLog.h"

// TEMPORARY until the batch append lands: not all-or-nothing.
void ApplyImport(VehicleLog& log, const ImportPlan& plan, const ExchangeProgress&)
{
    auto v = log.OpenVehicleDetailsTable();
    auto m = log.OpenMileageTable();
    auto c = log.OpenMaintenanceTable();
    QSet<QString> firstDone;
    for (const auto& row : plan.newVehicles) {
        for (const auto& r : plan.newMileage)
            if (r.Registration == row.Registration) {
                v->AppendVehicle(row, r);
                firstDone.insert(row.Registration);
                break;
            }
    }
    QSet<QString> skipped;
    for (const auto& r : plan.newMileage) {
        if (firstDone.contains(r.Registration) && !skipped.contains(r.Registration)) {
            skipped.insert(r.Registration);
            continue;
        }
        m->AppendMileage(r);
    }
    for (const auto& r : plan.newMaintenance)
        c->AppendMaintenance(r);
}
