#include "ImportSummary.h"

QString CountText(qsizetype n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

namespace {

QString rows(qsizetype n)
{
    return CountText(n, QStringLiteral("row"), QStringLiteral("rows"));
}

QString newVehicles(qsizetype n)
{
    return CountText(n, QStringLiteral("new vehicle"), QStringLiteral("new vehicles"));
}

QString countLine(const char* what, int added, int present, int refused)
{
    return QStringLiteral("  %1: %2 added, %3 already present, %4 refused\n")
        .arg(QLatin1String(what))
        .arg(added)
        .arg(present)
        .arg(refused);
}

QString rowLine(const RefusedRow& r, const char* joint)
{
    return QStringLiteral("line %1: %2%3%4\n")
        .arg(r.line)
        .arg(r.what, QLatin1String(joint), r.reason);
}

} // namespace

QString ImportSummaryText(const ImportPlan& plan, bool applied)
{
    QString out;
    for (const QString& n : plan.notes)
        out += n + u'\n';
    int added = 0, refused = int(plan.refusedElsewhere.size());
    for (const VehicleImportSummary& s : plan.vehicles) {
        const QString name =
            s.registration.isEmpty() ? QStringLiteral("(no registration given)") : s.registration;
        out += QStringLiteral("Vehicle %1%2\n")
                   .arg(name, s.newVehicle ? QStringLiteral(" (new vehicle)") : QString());
        int readingsRefused = 0, maintenanceRefused = 0, otherRefused = 0;
        for (const RefusedRow& r : s.refused)
            (r.kind == RowKind::Maintenance ? maintenanceRefused
             : r.kind == RowKind::Reading   ? readingsRefused
                                            : otherRefused)++;
        out += countLine("readings", s.readingsAdded, s.readingsPresent, readingsRefused);
        out +=
            countLine("maintenance", s.maintenanceAdded, s.maintenancePresent, maintenanceRefused);
        if (s.remindersAdded + s.remindersPresent > 0)
            out += QStringLiteral("  %1 added, %2 already present\n")
                       .arg(CountText(s.remindersAdded, QStringLiteral("reminder"),
                                      QStringLiteral("reminders")))
                       .arg(s.remindersPresent);
        if (otherRefused > 0)
            out += QStringLiteral("  other rows: %1 refused\n").arg(otherRefused);
        for (const QString& c : s.notes + s.conversions)
            out += QStringLiteral("  %1\n").arg(c);
        for (const RefusedRow& r : s.repeated)
            out += QStringLiteral("  ") + rowLine(r, " ");
        for (const RefusedRow& r : s.refused)
            out += QStringLiteral("  ") + rowLine(r, " refused: ");
        added += s.readingsAdded + s.maintenanceAdded;
        refused += int(s.refused.size());
    }
    for (const RefusedRow& r : plan.refusedElsewhere)
        out += rowLine(r, " refused: ");
    if (plan.skippedRows > 0)
        out += QStringLiteral("%1 left out\n")
                   .arg(CountText(plan.skippedRows, QStringLiteral("removed row"),
                                  QStringLiteral("removed rows")));
    if (plan.addsNothing())
        out += QStringLiteral("Nothing to add; %1 refused.\n").arg(rows(refused));
    else if (applied)
        out += QStringLiteral("Stored %1 (%2); %3 refused.\n")
                   .arg(rows(added), newVehicles(plan.newVehicles.size()), rows(refused));
    else
        out += QStringLiteral("Nothing stored (dry run): %1 (%2) would be added; %3 refused.\n")
                   .arg(rows(added), newVehicles(plan.newVehicles.size()), rows(refused));
    return out;
}
