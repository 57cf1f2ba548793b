#include "ImportPlan.h"

#include "Clock.h"
#include "EntryChecks.h"
#include "FileFormats.h"
#include "FileValues.h"
#include "LogRules.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "VehicleLog.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

// Turns the rows read from a file into the rows to store, by the log's rules, against the log as
// it stands. Per vehicle the readings kept are the largest set that keeps the order of readings
// together with the stored ones, so one mistyped reading costs that row only.

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

QString withoutBlanksOrCase(const QString& text)
{
    QString out;
    for (const QChar c : text)
        if (!c.isSpace())
            out += c;
    return out.toCaseFolded();
}

QString unitName(FileDistance d)
{
    return d == FileDistance::Miles ? QStringLiteral("miles") : QStringLiteral("kilometres");
}

// A date in a refusal, as the user writes dates.
QString dateText(qint64 at)
{
    return DateToText(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC));
}

// A reading that passed every rule but the order, waiting for the order to be decided.
struct Candidate
{
    const ImportedReading* row = nullptr;
    qsizetype summary = 0;
    qint64 at = 0;
    double value = 0, amount = 0, price = 0;
};

// What the rules need to know of one registration: the log as it stands plus this import.
struct Slot
{
    QString registration;
    bool newVehicle = false;
    int kept = 0; // readings this import adds
    // Stored readings in date order.
    std::vector<std::pair<qint64, double>> stored;
    // Stored rows not yet matched by a row of the file, so a stored row is matched once. A
    // fill's flags and a cost's kind are no part of the match: a file imported before they were
    // read finds its rows present, and the stored flags and kinds stay as they are.
    std::map<std::tuple<qint64, double, double>, int> storedMileage;
    std::map<std::tuple<qint64, double, QString>, int> storedMaintenance;
    // Stored reminders by title and due, so that a file imported again adds none twice.
    std::set<std::tuple<QString, qint64, double>> storedReminders;
    std::vector<Candidate> candidates;
};

// The lowest reading of each date and the highest, of the readings the log will hold.
using Bounds = std::map<qint64, std::pair<double, double>>;

void addBound(Bounds& bounds, qint64 at, double value)
{
    auto [it, inserted] = bounds.try_emplace(at, value, value);
    if (!inserted) {
        it->second.first = std::min(it->second.first, value);
        it->second.second = std::max(it->second.second, value);
    }
}

// Indexes of a longest non-decreasing run of values, in order: O(n log n). Of several such runs
// it takes the one of the earliest rows, so of two readings that contradict each other the
// later one is refused.
std::vector<size_t> longestNonDecreasing(const std::vector<double>& values)
{
    // longest[i]: the length of the longest run starting at i, found from the end as the longest
    // non-increasing run of the reversed values (negated: non-decreasing).
    std::vector<size_t> longest(values.size());
    std::vector<double> tails; // tails[k]: the best last value of a run of length k + 1
    for (size_t i = values.size(); i-- > 0;) {
        const double v = -values[i];
        const auto at = std::upper_bound(tails.begin(), tails.end(), v);
        longest[i] = size_t(at - tails.begin()) + 1;
        if (at == tails.end())
            tails.push_back(v);
        else
            *at = v;
    }
    std::vector<size_t> run;
    size_t need = tails.size();
    for (size_t i = 0; i < values.size() && need > 0; ++i)
        if (longest[i] == need && (run.empty() || values[i] >= values[run.back()])) {
            run.push_back(i);
            --need;
        }
    return run;
}

class Planner
{
public:
    Planner(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
            const Clock& clock, const ExchangeProgress& progress)
        : log_(log), file_(file), options_(options), progress_(progress),
          // Kelmot's own export is a faithful copy of a log: two equal rows in it are two rows,
          // and its numbers are the stored ones to the last bit.
          otherProgram_(file.format != QLatin1String("kelmot"))
    {
        logUnit_ = LogUnitOf(options.logUnit) == DistanceUnitKind::Kilometre
                       ? FileDistance::Kilometres
                       : FileDistance::Miles;
        // One moment for the whole plan, not a reading of the clock per row.
        today_ = clock.today();
        now_ = clock.now();
    }

    ImportPlan run()
    {
        plan_.format = file_.format;
        plan_.skippedRows = file_.skippedRows;
        plan_.notes = file_.notes;
        total_ = 2 * file_.readings.size() + file_.maintenance.size() + file_.reminders.size();
        const QStringList registrations = log_.ListRegistrations();
        for (const ImportedVehicle& v : file_.vehicles) {
            if (options_.skipKeys.contains(v.key))
                continue;
            VehicleImportSummary s;
            s.key = v.key;
            s.fileName = !v.plate.isEmpty() ? v.plate : v.name;
            if (options_.registrationFor.contains(v.key)) {
                s.registration = options_.registrationFor.value(v.key).trimmed();
            } else {
                s.registration = s.fileName;
                const QString match = MatchingRegistration(s.fileName, registrations);
                if (!match.isEmpty() && registrationKey(match) != registrationKey(s.fileName)) {
                    s.registration = match;
                    s.notes << QStringLiteral("%1 in the file is filed under %2, the log's "
                                              "vehicle of that registration")
                                   .arg(s.fileName, match);
                }
            }
            // What reading did to this vehicle's rows (gallon prices, units assumed).
            s.notes << file_.vehicleNotes.value(v.key);
            summaryOf_[v.key] = plan_.vehicles.size();
            vehicleOf_[v.key] = &v;
            plan_.vehicles.append(s);
        }
        for (const BrokenRow& b : file_.broken) {
            if (options_.skipKeys.contains(b.vehicleKey))
                continue;
            const RefusedRow r{b.line, QStringLiteral("row"), b.reason, b.kind};
            if (summaryOf_.contains(b.vehicleKey))
                plan_.vehicles[summaryOf_[b.vehicleKey]].refused.append(r);
            else
                plan_.refusedElsewhere.append(r);
        }
        sortReadings();
        for (auto& [key, slot] : slots_)
            keepInOrder(slot);
        planMaintenance();
        planReminders();
        for (auto& s : plan_.vehicles) {
            std::stable_sort(
                s.refused.begin(), s.refused.end(),
                [](const RefusedRow& a, const RefusedRow& b) { return a.line < b.line; });
            const auto found = slots_.find(registrationKey(s.registration));
            if (found != slots_.end()) {
                s.newVehicle = found->second.newVehicle && found->second.kept > 0;
                s.registration = found->second.registration;
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
        const QString key = registrationKey(registration);
        auto found = slots_.find(key);
        if (found != slots_.end())
            return found->second;
        Slot& slot = slots_[key];
        if (const auto stored = log_.FindVehicle(registration)) {
            slot.registration = stored->Registration;
            for (const MileageRow& m : log_.MileageChronological(registration)) {
                const qint64 at = m.Date.toMSecsSinceEpoch();
                slot.stored.emplace_back(at, m.CurrentMileage);
                ++slot.storedMileage[{at, m.CurrentMileage, m.Amount}];
            }
            for (const MaintenanceRow& m : log_.MaintenanceByDate(registration))
                ++slot.storedMaintenance[{m.Date.toMSecsSinceEpoch(), m.Cost, m.Description}];
            for (const ReminderEntry& r : log_.Reminders(registration))
                slot.storedReminders.insert(reminderKey(r.row));
            // Stored in date order already, ties by rowid; sorting again costs little and
            // makes the bounds below independent of that.
            std::stable_sort(slot.stored.begin(), slot.stored.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        } else {
            slot.registration = registration;
            slot.newVehicle = true;
        }
        return slot;
    }

    static void refuse(VehicleImportSummary& s, int line, const char* what, const QString& reason)
    {
        const RowKind kind = qstrcmp(what, "maintenance") == 0 ? RowKind::Maintenance
                             : qstrcmp(what, "reminder") == 0  ? RowKind::Other
                                                               : RowKind::Reading;
        s.refused.append({line, QString::fromLatin1(what), reason, kind});
    }

    // A value the reader worked out (price x volume, a per-litre price) without binary noise.
    double stored(double value) const
    {
        return otherProgram_ ? RoundToFifteenDigits(value) : value;
    }

    // A reading converted to the log's unit is kept to the hundredth, as the program shows it.
    double fromLogUnit(VehicleImportSummary& s, const ImportedReading& r)
    {
        const double value = inLogUnit(s, r);
        return value == r.odometer ? stored(value) : RoundToHundredths(value);
    }

    // The stored row a reading repeats. Converted readings used to be kept to fifteen digits:
    // a file imported then is still found present, not added again rounded.
    auto presentRow(Slot& slot, VehicleImportSummary& s, const Candidate& c)
    {
        auto present = slot.storedMileage.find({c.at, c.value, c.amount});
        const bool found = present != slot.storedMileage.end() && present->second > 0;
        if (!found && c.value != stored(c.row->odometer))
            present = slot.storedMileage.find(
                {c.at, RoundToFifteenDigits(inLogUnit(s, *c.row)), c.amount});
        return present;
    }

    bool future(const QDateTime& date) const
    {
        return EntryChecks::IsFutureImport(date, today_, now_);
    }

    static QString futureReason(const QDateTime& date)
    {
        return QStringLiteral("the date %1 is in the future").arg(DateToText(date));
    }

    double inLogUnit(VehicleImportSummary& s, const ImportedReading& r)
    {
        return inLogUnit(s, r.vehicleKey, r.distance, r.odometer);
    }

    double inLogUnit(VehicleImportSummary& s, const QString& vehicleKey, FileDistance distance,
                     double odometer)
    {
        const ImportedVehicle& v = *vehicleOf_[vehicleKey];
        const FileDistance unit = distance != FileDistance::Unknown ? distance : v.distance;
        if (unit == FileDistance::Unknown || unit == logUnit_)
            return odometer;
        if (s.conversions.isEmpty())
            s.conversions << QStringLiteral("odometer readings converted from %1 to %2 "
                                            "(1 mile = 1.609344 km)")
                                 .arg(unitName(unit), unitName(logUnit_));
        return unit == FileDistance::Kilometres ? odometer / KilometresPerMile
                                                : odometer * KilometresPerMile;
    }

    // Every rule but the order, row by row in the file's order (so "the second" of two equal
    // rows is the later line); the rest wait in their slot's candidates.
    void sortReadings()
    {
        std::set<std::tuple<const Slot*, qint64, double, double>> seen;
        for (const ImportedReading& r : file_.readings) {
            tick();
            const auto summary = summaryOf_.constFind(r.vehicleKey);
            if (summary == summaryOf_.cend())
                continue;
            const qsizetype index = *summary;
            VehicleImportSummary& s = plan_.vehicles[index];
            if (s.registration.isEmpty()) {
                refuse(s, r.line, "reading", noRegistration());
                continue;
            }
            if (future(r.date)) {
                refuse(s, r.line, "reading", futureReason(r.date));
                continue;
            }
            if (LogRules::IsBelowZero(r.odometer)) {
                refuse(s, r.line, "reading",
                       QStringLiteral("the odometer reading %1 is below 0")
                           .arg(ExactNumber(r.odometer)));
                continue;
            }
            Slot& slot = slotFor(s.registration);
            const Candidate c{&r,
                              index,
                              r.date.toMSecsSinceEpoch(),
                              fromLogUnit(s, r),
                              stored(r.amount),
                              stored(r.pricePerLitre)};
            if (otherProgram_ && !seen.insert({&slot, c.at, c.value, c.amount}).second) {
                s.repeated.append(
                    {r.line, QStringLiteral("reading"), QStringLiteral("repeated in the file")});
                ++s.readingsPresent;
                continue;
            }
            auto present = presentRow(slot, s, c);
            if (present != slot.storedMileage.end() && present->second > 0) {
                --present->second;
                ++s.readingsPresent;
                continue;
            }
            slot.candidates.push_back(c);
        }
    }

    // Keeps the largest set of the slot's candidates that, with the stored readings, never goes
    // down in date order; refuses the rest with the kept readings around each.
    void keepInOrder(Slot& slot)
    {
        auto& all = slot.candidates;
        const auto before = [](const Candidate& a, const Candidate& b) {
            return std::tie(a.at, a.value) < std::tie(b.at, b.value);
        };
        // A log's own export is in this order already.
        if (!std::is_sorted(all.begin(), all.end(), before))
            std::stable_sort(all.begin(), all.end(), before);
        // A new vehicle's first reading may have no amount or price: it is where the log starts.
        // Each step keeps the candidates that pass it at the front of the slot's own list.
        size_t passed = 0;
        for (size_t i = 0; i < all.size(); ++i) {
            tick();
            const Candidate& c = all[i];
            const bool first = slot.newVehicle && i == 0;
            VehicleImportSummary& s = plan_.vehicles[c.summary];
            if (!first && !LogRules::IsPositive(c.amount))
                refuse(s, c.row->line, "reading", QStringLiteral("the amount paid is 0 or less"));
            else if (!first && !LogRules::IsPositive(c.price))
                refuse(s, c.row->line, "reading",
                       QStringLiteral("the price per litre is 0 or less"));
            else
                all[passed++] = c;
        }
        all.resize(passed);

        // The stored readings stay: a candidate must lie between the highest stored reading of
        // an earlier date and the lowest stored reading of a later one.
        const auto& stored = slot.stored;
        std::vector<double> highestUpTo(stored.size()), lowestFrom(stored.size());
        for (size_t i = 0; i < stored.size(); ++i)
            highestUpTo[i] = std::max(i ? highestUpTo[i - 1] : stored[i].second, stored[i].second);
        for (size_t i = stored.size(); i-- > 0;)
            lowestFrom[i] = std::min(i + 1 < stored.size() ? lowestFrom[i + 1] : stored[i].second,
                                     stored[i].second);
        std::vector<Candidate> outOfLine;
        passed = 0;
        for (const Candidate& c : all) {
            const auto earlier =
                std::lower_bound(stored.begin(), stored.end(), c.at,
                                 [](const auto& p, qint64 at) { return p.first < at; });
            const auto later =
                std::upper_bound(stored.begin(), stored.end(), c.at,
                                 [](qint64 at, const auto& p) { return at < p.first; });
            const bool aboveEarlier =
                earlier == stored.begin() ||
                !LogRules::GoesDown(highestUpTo[size_t(earlier - stored.begin()) - 1], c.value);
            const bool belowLater =
                later == stored.end() ||
                !LogRules::GoesDown(c.value, lowestFrom[size_t(later - stored.begin())]);
            if (aboveEarlier && belowLater)
                all[passed++] = c;
            else
                outOfLine.push_back(c);
        }
        all.resize(passed);
        std::vector<double> values;
        values.reserve(all.size());
        for (const Candidate& c : all)
            values.push_back(c.value);
        const std::vector<size_t> run = longestNonDecreasing(values);

        size_t next = 0;
        for (size_t i = 0; i < all.size(); ++i) {
            if (next < run.size() && run[next] == i) {
                ++next;
                keep(slot, all[i]);
            } else {
                outOfLine.push_back(all[i]);
            }
        }
        if (!outOfLine.empty()) {
            // The readings the log will hold, only to word the refusals.
            Bounds kept;
            for (const auto& [at, value] : stored)
                addBound(kept, at, value);
            for (const size_t i : run)
                addBound(kept, all[i].at, all[i].value);
            for (const Candidate& c : outOfLine)
                refuse(plan_.vehicles[c.summary], c.row->line, "reading", outOfLineReason(kept, c));
        }
        std::vector<Candidate>().swap(all); // planned: the memory goes back before the next slot
    }

    static QString outOfLineReason(const Bounds& kept, const Candidate& c)
    {
        QStringList around;
        const auto later = kept.upper_bound(c.at);
        auto earlier = kept.lower_bound(c.at);
        if (earlier != kept.begin()) {
            --earlier;
            around << QStringLiteral("%1 on %2")
                          .arg(DistanceToText(earlier->second.second), dateText(earlier->first));
        }
        if (later != kept.end())
            around << QStringLiteral("%1 on %2")
                          .arg(DistanceToText(later->second.first), dateText(later->first));
        return QStringLiteral("out of line with the readings around it: %1")
            .arg(around.join(QStringLiteral(", ")));
    }

    void keep(Slot& slot, const Candidate& c)
    {
        if (slot.newVehicle && slot.kept == 0) {
            const ImportedVehicle& v = *vehicleOf_[c.row->vehicleKey];
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
        ++slot.kept;
        plan_.newMileage.append({slot.registration, c.row->date, c.value, c.amount, c.price,
                                 c.row->fill.partial, c.row->fill.missedBefore});
        ++plan_.vehicles[c.summary].readingsAdded;
    }

    void planMaintenance()
    {
        std::set<std::tuple<const Slot*, qint64, double, QString>> seen;
        for (const ImportedMaintenance& m : file_.maintenance) {
            tick();
            const auto [summary, found] = slotOfRow(m.vehicleKey, m.line, "maintenance");
            if (!found)
                continue;
            VehicleImportSummary& s = *summary;
            Slot& slot = *found;
            const qint64 at = m.date.toMSecsSinceEpoch();
            const double cost = stored(m.cost);
            if (otherProgram_ && !seen.insert({&slot, at, cost, m.description}).second) {
                s.repeated.append({m.line, QStringLiteral("maintenance"),
                                   QStringLiteral("repeated in the file")});
                ++s.maintenancePresent;
                continue;
            }
            auto present = slot.storedMaintenance.find({at, cost, m.description});
            if (present != slot.storedMaintenance.end() && present->second > 0) {
                --present->second;
                ++s.maintenancePresent;
                continue;
            }
            if (future(m.date)) {
                refuse(s, m.line, "maintenance", futureReason(m.date));
                continue;
            }
            if (!LogRules::IsPositive(cost)) {
                refuse(s, m.line, "maintenance", QStringLiteral("the cost is 0 or less"));
                continue;
            }
            if (m.description.trimmed().isEmpty()) {
                refuse(s, m.line, "maintenance", QStringLiteral("there is no description"));
                continue;
            }
            plan_.newMaintenance.append(
                {slot.registration, m.date, cost, m.description, m.category});
            ++s.maintenanceAdded;
        }
    }

    static std::tuple<QString, qint64, double> reminderKey(const ReminderRow& r)
    {
        return {r.Title, r.DueDate.isValid() ? r.DueDate.toMSecsSinceEpoch() : 0, r.DueMileage};
    }

    // A vehicle's reminders go with it; one the log holds already (same title and due) is
    // present. Distances are converted as its readings are.
    void planReminders()
    {
        for (const ImportedReminder& r : file_.reminders) {
            tick();
            const auto [summary, found] = slotOfRow(r.vehicleKey, r.line, "reminder");
            if (!found)
                continue;
            VehicleImportSummary& s = *summary;
            Slot& slot = *found;
            if (r.title.isEmpty()) {
                refuse(s, r.line, "reminder", QStringLiteral("there is no title"));
                continue;
            }
            const auto distance = [&](double value) {
                const double converted = inLogUnit(s, r.vehicleKey, FileDistance::Unknown, value);
                return converted == value ? value : RoundToHundredths(converted);
            };
            ReminderRow row;
            row.Registration = slot.registration;
            row.Title = r.title;
            row.DueDate = r.dueDate.isValid() ? AtMidnight(r.dueDate.date()) : QDateTime();
            row.DueMileage = distance(r.dueOdometer);
            row.EveryMonths = r.everyMonths;
            row.EveryMileage = distance(r.everyDistance);
            if (!row.DueDate.isValid() && row.DueMileage <= 0) {
                refuse(s, r.line, "reminder", QStringLiteral("it is due at no date or reading"));
                continue;
            }
            if (!slot.storedReminders.insert(reminderKey(row)).second) {
                ++s.remindersPresent;
                continue;
            }
            plan_.newReminders.append(row);
            ++s.remindersAdded;
        }
    }

    // The vehicle a cost or reminder of the file goes with, or no slot: the row is left out
    // with its vehicle, or refused with its line when that vehicle gets no registration or is
    // not added at all.
    std::pair<VehicleImportSummary*, Slot*> slotOfRow(const QString& key, int line,
                                                      const char* what)
    {
        if (!summaryOf_.contains(key))
            return {nullptr, nullptr};
        VehicleImportSummary& s = plan_.vehicles[summaryOf_[key]];
        if (s.registration.isEmpty()) {
            refuse(s, line, what, noRegistration());
            return {&s, nullptr};
        }
        Slot& slot = slotFor(s.registration);
        if (slot.newVehicle && slot.kept == 0) {
            refuse(s, line, what,
                   QStringLiteral("the vehicle %1 is not added: none of its readings can be "
                                  "imported")
                       .arg(slot.registration));
            return {&s, nullptr};
        }
        return {&s, &slot};
    }

    static QString noRegistration()
    {
        return QStringLiteral("the file names no vehicle: choose the registration to import into");
    }

    VehicleLog& log_;
    const ImportFile& file_;
    const ImportOptions& options_;
    const ExchangeProgress& progress_;
    const bool otherProgram_;
    FileDistance logUnit_;
    QDate today_;
    QDateTime now_;
    ImportPlan plan_;
    QHash<QString, qsizetype> summaryOf_;
    QHash<QString, const ImportedVehicle*> vehicleOf_;
    std::map<QString, Slot> slots_;
    qint64 done_ = 0, total_ = 0;
};

template <typename Row, typename Fields>
bool sameRows(const QVector<Row>& a, const QVector<Row>& b, Fields fields)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](const Row& x, const Row& y) { return fields(x) == fields(y); });
}

} // namespace

QString MatchingRegistration(const QString& name, const QStringList& registrations)
{
    const QString wanted = withoutBlanksOrCase(name);
    if (wanted.isEmpty())
        return {};
    // A registration equal but for ASCII case is the vehicle itself: prefer it.
    for (const QString& r : registrations)
        if (registrationKey(r) == registrationKey(name))
            return r;
    for (const QString& r : registrations)
        if (withoutBlanksOrCase(r) == wanted)
            return r;
    return {};
}

ImportPlan PlanImport(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
                      const Clock& clock, const ExchangeProgress& progress)
{
    return Planner(log, file, options, clock, progress).run();
}

bool ImportPlan::needsRegistration() const
{
    for (const auto& v : vehicles)
        if (v.registration.isEmpty())
            return true;
    return false;
}

bool ImportPlan::addsNothing() const
{
    return newVehicles.isEmpty() && newMileage.isEmpty() && newMaintenance.isEmpty() &&
           newReminders.isEmpty();
}

bool ImportPlan::storesSameRowsAs(const ImportPlan& other) const
{
    return sameRows(newVehicles, other.newVehicles,
                    [](const VehicleRow& r) {
                        return std::tie(r.Registration, r.Make, r.Model, r.Fuel, r.EngineCapacity,
                                        r.RegistrationDate, r.PurchaseDate);
                    }) &&
           sameRows(newMileage, other.newMileage,
                    [](const MileageRow& r) {
                        return std::tie(r.Registration, r.Date, r.CurrentMileage, r.Amount,
                                        r.PricePer, r.PartialFill, r.MissedFillBefore);
                    }) &&
           sameRows(newMaintenance, other.newMaintenance,
                    [](const MaintenanceRow& r) {
                        return std::tie(r.Registration, r.Date, r.Cost, r.Description, r.Category);
                    }) &&
           sameRows(newReminders, other.newReminders, [](const ReminderRow& r) {
               return std::tie(r.Registration, r.Title, r.DueDate, r.DueMileage, r.EveryMonths,
                               r.EveryMileage);
           });
}

bool ImportUnderWriteLock(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
                          const Clock& clock, ImportPlan& plan, const ImportPlan* expected,
                          const ExchangeProgress& progress)
{
    VehicleLogWriteLock lock(log);
    plan = PlanImport(log, file, options, clock, progress);
    if (expected && !plan.storesSameRowsAs(*expected))
        return false;
    if (!plan.addsNothing() && !plan.needsRegistration()) {
        ApplyImport(log, plan, progress);
        lock.commit();
    }
    return true;
}
