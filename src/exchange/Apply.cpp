#include "ImportPlan.h"
#include "VehicleLog.h"

void ApplyImport(VehicleLog& log, const ImportPlan& plan, const ExchangeProgress& progress)
{
    const qint64 total = plan.newMileage.size() + plan.newMaintenance.size();
    if (progress && !progress(0, total))
        throw ExchangeCancelled();
    LogBatch batch;
    batch.vehicles = plan.newVehicles;
    batch.mileage = plan.newMileage;
    batch.maintenance = plan.newMaintenance;
    batch.reminders = plan.newReminders;
    log.AppendBatch(batch);
    if (progress)
        progress(total, total);
}
