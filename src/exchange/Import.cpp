#include "Clock.h"
#include "Csv.h"
#include "Exchange.h"
#include "FileFormats.h"
#include "FileValues.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QFile>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

// The store compares registrations as SQLite's NOCASE does: ASCII letters only.
QString registrationKey(const QString& registration)
{
    QString key = registration;
    for (QChar& c : key)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return key;
}

QString unitName(FileDistance d)
{
    return d == FileDistance::Miles ? QStringLiteral("miles") : QStringLiteral("kilometres");
}

QString figure(double value)
{
    return ExactNumber(value);
}

// What the rules need to know of one registration: the log as it stands plus what this import
// has accepted so far.
struct Slot
{
    QString registration;
    bool newVehicle = false;
    qsizetype vehicleIndex = -1; // in the plan's newVehicles
    int readings = 0;            // stored and accepted
    // date -> the lowest and highest reading of that moment
    std::map<qint64, std::pair<double, double>> byDate;
    // stored rows not yet matched by a row of the file, so a file row counts once
    std::map<std::tuple<qint64, double, double>, int> storedMileage;
    std::map<std::tuple<qint64, double, QString>, int> storedMaintenance;
    bool loaded = false;

    void addReading(qint64 at, double value)
    {
        auto [it, inserted] = byDate.try_emplace(at, value, value);
        if (!inserted) {
            it->second.first = std::min(it->second.first, value);
            it->second.second = std::max(it->second.second, value);
        }
        ++readings;
    }
};

class Planner
{
public:
    Planner(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
            const Clock& clock, const ExchangeProgress& progress)
        : log_(log), file_(file), options_(options), clock_(clock), progress_(progress)
    {
        logUnit_ = options.logUnit == QLatin1String("Kilometre") ? FileDistance::Kilometres
                                                                 : FileDistance::Miles;
    }

    ImportPlan run()
    {
        plan_.format = file_.format;
        plan_.skippedRows = file_.skippedRows;
        total_ = file_.readings.size() + file_.maintenance.size();
        for (const ImportedVehicle& v : file_.vehicles) {
            if (options_.skipKeys.contains(v.key))
                continue;
            VehicleImportSummary s;
            s.key = v.key;
            s.registration = options_.registrationFor.contains(v.key)
                                 ? options_.registrationFor.value(v.key).trimmed()
                             : !v.plate.isEmpty() ? v.plate
                                                  : v.name;
            summaryOf_[v.key] = plan_.vehicles.size();
            vehicleOf_[v.key] = &v;
            plan_.vehicles.append(s);
        }
        for (const BrokenRow& b : file_.broken) {
            if (options_.skipKeys.contains(b.vehicleKey))
                continue;
            const RefusedRow r{b.line, QStringLiteral("row"), b.reason};
            if (summaryOf_.contains(b.vehicleKey))
                plan_.vehicles[summaryOf_[b.vehicleKey]].refused.append(r);
            else
                plan_.refusedElsewhere.append(r);
        }
        planReadings();
        planMaintenance();
        for (auto& s : plan_.vehicles) {
            std::stable_sort(
                s.refused.begin(), s.refused.end(),
                [](const RefusedRow& a, const RefusedRow& b) { return a.line < b.line; });
            const auto found = slots_.find(registrationKey(s.registration));
            if (found != slots_.end()) {
                const Slot* slot = &found->second;
                s.newVehicle = slot->newVehicle && slot->vehicleIndex >= 0;
                if (!slot->registration.isEmpty())
                    s.registration = slot->registration;
            }
        }
        return plan_;
    }

private:
    void tick()
    {
        if (progress_ && (++done_ & 1023) == 0 && !progress_(done_, total_))
            throw ExchangeCancelled();
    }

    Slot& slotFor(const QString& registration)
    {
        Slot& slot = slots_[registrationKey(registration)];
        if (slot.loaded)
            return slot;
        slot.loaded = true;
        if (const auto stored = log_.FindVehicle(registration)) {
            slot.registration = stored->Registration;
            for (const MileageRow& m : log_.MileageChronological(registration)) {
                const qint64 at = m.Date.toMSecsSinceEpoch();
                slot.addReading(at, m.CurrentMileage);
                ++slot.storedMileage[{at, m.CurrentMileage, m.Amount}];
            }
            for (const MaintenanceRow& m : log_.MaintenanceByDate(registration))
                ++slot.storedMaintenance[{m.Date.toMSecsSinceEpoch(), m.Cost, m.Description}];
        } else {
            slot.registration = registration;
            slot.newVehicle = true;
        }
        return slot;
    }

    void refuse(VehicleImportSummary& s, int line, const char* what, const QString& reason)
    {
        s.refused.append({line, QString::fromLatin1(what), reason});
    }

    bool future(const QDateTime& date) const { return date > clock_.now(); }

    template <typename Row> QVector<const Row*> inDateOrder(const QVector<Row>& rows) const
    {
        QVector<const Row*> order;
        order.reserve(rows.size());
        for (const Row& r : rows)
            order.append(&r);
        std::stable_sort(order.begin(), order.end(),
                         [](const Row* a, const Row* b) { return a->date < b->date; });
        return order;
    }

    void planReadings()
    {
        QSet<QString> converted;
        for (const ImportedReading* r : inDateOrder(file_.readings)) {
            tick();
            if (!summaryOf_.contains(r->vehicleKey))
                continue;
            VehicleImportSummary& s = plan_.vehicles[summaryOf_[r->vehicleKey]];
            if (s.registration.isEmpty()) {
                refuse(s, r->line, "reading", noRegistration());
                continue;
            }
            Slot& slot = slotFor(s.registration);
            const ImportedVehicle& v = *vehicleOf_[r->vehicleKey];
            const FileDistance unit =
                r->distance != FileDistance::Unknown ? r->distance : v.distance;
            double value = r->odometer;
            if (unit != FileDistance::Unknown && unit != logUnit_) {
                value = unit == FileDistance::Kilometres ? value / KilometresPerMile
                                                         : value * KilometresPerMile;
                if (!converted.contains(s.key)) {
                    converted.insert(s.key);
                    s.conversions << QStringLiteral("odometer readings converted from %1 to %2 "
                                                    "(1 mile = 1.609344 km)")
                                         .arg(unitName(unit), unitName(logUnit_));
                }
            }
            const qint64 at = r->date.toMSecsSinceEpoch();
            auto present = slot.storedMileage.find({at, value, r->amount});
            if (present != slot.storedMileage.end() && present->second > 0) {
                --present->second;
                ++s.readingsPresent;
                continue;
            }
            if (future(r->date)) {
                refuse(s, r->line, "reading",
                       QStringLiteral("the date %1 is in the future").arg(StoredDateText(r->date)));
                continue;
            }
            auto later = slot.byDate.upper_bound(at);
            if (later != slot.byDate.begin()) {
                auto earlier = std::prev(later);
                if (earlier->first == at)
                    earlier =
                        earlier == slot.byDate.begin() ? slot.byDate.end() : std::prev(earlier);
                if (earlier != slot.byDate.end() && value < earlier->second.second) {
                    refuse(s, r->line, "reading",
                           QStringLiteral("the reading %1 is less than the reading %2 of %3")
                               .arg(figure(value), figure(earlier->second.second),
                                    StoredDateText(
                                        QDateTime::fromMSecsSinceEpoch(earlier->first, Qt::UTC))));
                    continue;
                }
            }
            if (later != slot.byDate.end() && value > later->second.first) {
                refuse(s, r->line, "reading",
                       QStringLiteral("the reading %1 is more than the later reading %2 of %3")
                           .arg(figure(value), figure(later->second.first),
                                StoredDateText(
                                    QDateTime::fromMSecsSinceEpoch(later->first, Qt::UTC))));
                continue;
            }
            const bool first = slot.newVehicle && slot.readings == 0;
            if (!first && r->amount <= 0) {
                refuse(s, r->line, "reading", QStringLiteral("the amount paid is 0 or less"));
                continue;
            }
            if (!first && r->pricePerLitre <= 0) {
                refuse(s, r->line, "reading", QStringLiteral("the price per litre is 0 or less"));
                continue;
            }
            if (first) {
                slot.vehicleIndex = plan_.newVehicles.size();
                VehicleRow row;
                row.Registration = slot.registration;
                row.Make = v.make;
                row.Model = v.model;
                row.Fuel = v.fuel;
                row.EngineCapacity = v.engineCapacity;
                row.RegistrationDate = v.registrationDate.isValid() ? v.registrationDate : NoDate();
                row.PurchaseDate = v.purchaseDate.isValid() ? v.purchaseDate : NoDate();
                plan_.newVehicles.append(row);
            }
            slot.addReading(at, value);
            plan_.newMileage.append(
                {slot.registration, r->date, value, r->amount, r->pricePerLitre});
            ++s.readingsAdded;
        }
    }

    void planMaintenance()
    {
        for (const ImportedMaintenance* m : inDateOrder(file_.maintenance)) {
            tick();
            if (!summaryOf_.contains(m->vehicleKey))
                continue;
            VehicleImportSummary& s = plan_.vehicles[summaryOf_[m->vehicleKey]];
            if (s.registration.isEmpty()) {
                refuse(s, m->line, "maintenance", noRegistration());
                continue;
            }
            Slot& slot = slotFor(s.registration);
            if (slot.newVehicle && slot.readings == 0) {
                refuse(s, m->line, "maintenance",
                       QStringLiteral("the vehicle %1 is not added: none of its readings can be "
                                      "imported")
                           .arg(slot.registration));
                continue;
            }
            auto present =
                slot.storedMaintenance.find({m->date.toMSecsSinceEpoch(), m->cost, m->description});
            if (present != slot.storedMaintenance.end() && present->second > 0) {
                --present->second;
                ++s.maintenancePresent;
                continue;
            }
            if (future(m->date)) {
                refuse(s, m->line, "maintenance",
                       QStringLiteral("the date %1 is in the future").arg(StoredDateText(m->date)));
                continue;
            }
            if (m->cost <= 0) {
                refuse(s, m->line, "maintenance", QStringLiteral("the cost is 0 or less"));
                continue;
            }
            if (m->description.trimmed().isEmpty()) {
                refuse(s, m->line, "maintenance", QStringLiteral("there is no description"));
                continue;
            }
            plan_.newMaintenance.append({slot.registration, m->date, m->cost, m->description});
            ++s.maintenanceAdded;
        }
    }

    static QString noRegistration()
    {
        return QStringLiteral("the file names no vehicle: choose the registration to import into");
    }

    VehicleLog& log_;
    const ImportFile& file_;
    const ImportOptions& options_;
    const Clock& clock_;
    const ExchangeProgress& progress_;
    FileDistance logUnit_;
    ImportPlan plan_;
    QHash<QString, qsizetype> summaryOf_;
    QHash<QString, const ImportedVehicle*> vehicleOf_;
    std::map<QString, Slot> slots_;
    qint64 done_ = 0, total_ = 0;
};

QString countLine(const char* what, int added, int present, int refused)
{
    return QStringLiteral("  %1: %2 added, %3 already present, %4 refused\n")
        .arg(QLatin1String(what))
        .arg(added)
        .arg(present)
        .arg(refused);
}

} // namespace

ImportPlan PlanImport(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
                      const Clock& clock, const ExchangeProgress& progress)
{
    return Planner(log, file, options, clock, progress).run();
}

QString ImportSummaryText(const ImportPlan& plan, bool applied)
{
    QString out;
    int added = 0, refused = int(plan.refusedElsewhere.size());
    for (const VehicleImportSummary& s : plan.vehicles) {
        const QString name =
            s.registration.isEmpty() ? QStringLiteral("(no registration given)") : s.registration;
        out += QStringLiteral("Vehicle %1%2\n")
                   .arg(name, s.newVehicle ? QStringLiteral(" (new vehicle)") : QString());
        int readingsRefused = 0, maintenanceRefused = 0;
        for (const RefusedRow& r : s.refused)
            (r.what == QLatin1String("maintenance") ? maintenanceRefused : readingsRefused)++;
        out += countLine("readings", s.readingsAdded, s.readingsPresent, readingsRefused);
        out +=
            countLine("maintenance", s.maintenanceAdded, s.maintenancePresent, maintenanceRefused);
        for (const QString& c : s.conversions)
            out += QStringLiteral("  %1\n").arg(c);
        for (const RefusedRow& r : s.refused)
            out += QStringLiteral("  line %1: %2 refused: %3\n").arg(r.line).arg(r.what, r.reason);
        added += s.readingsAdded + s.maintenanceAdded;
        refused += int(s.refused.size());
    }
    for (const RefusedRow& r : plan.refusedElsewhere)
        out += QStringLiteral("line %1: %2 refused: %3\n").arg(r.line).arg(r.what, r.reason);
    if (plan.skippedRows > 0)
        out += QStringLiteral("%1 removed rows left out\n").arg(plan.skippedRows);
    if (plan.addsNothing())
        out += QStringLiteral("Nothing to add; %1 rows refused.\n").arg(refused);
    else if (applied)
        out += QStringLiteral("Stored %1 rows (%2 new vehicles); %3 rows refused.\n")
                   .arg(added)
                   .arg(plan.newVehicles.size())
                   .arg(refused);
    else
        out += QStringLiteral("Nothing stored (dry run): %1 rows (%2 new vehicles) would be added; "
                              "%3 rows refused.\n")
                   .arg(added)
                   .arg(plan.newVehicles.size())
                   .arg(refused);
    return out;
}
