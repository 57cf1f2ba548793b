#include "RowForms.h"
#include "SqliteDatabase.h"
#include "StoredValues.h"
#include "TextConversions.h"
#include "VehicleLog.h"

// A vehicle's reminders, and marking one done: the maintenance entry it records and the next
// time it is due are one transaction.

using namespace RowForms;

namespace {

const char kSelectReminders[] = R"(SELECT "Registration", "Title", "Category", "Due Date",
    "Due Mileage", "Every Months", "Every Mileage", rowid FROM "Reminders"
    WHERE "Registration" = ? ORDER BY rowid)";
const char kReminderById[] = R"(SELECT "Registration", "Title", "Category", "Due Date",
    "Due Mileage", "Every Months", "Every Mileage" FROM "Reminders" WHERE rowid = ?)";
const char kUpdateReminder[] = R"(UPDATE "Reminders" SET "Title" = ?2, "Category" = ?3,
    "Due Date" = NULLIF(?4, ''), "Due Mileage" = NULLIF(?5, 0), "Every Months" = NULLIF(?6, 0),
    "Every Mileage" = NULLIF(?7, 0) WHERE rowid = ?8)";
const char kDeleteReminder[] = R"(DELETE FROM "Reminders" WHERE rowid = ?)";

ReminderRow readReminder(const SqliteQuery& q)
{
    ReminderRow row;
    row.Registration = q->text(0);
    row.Title = q->text(1);
    row.Category = q->text(2);
    row.DueDate = StoredValues::ParseDate(q->utf8(3)); // NULL reads as no date
    row.DueMileage = q->real(4);
    row.EveryMonths = static_cast<int>(q->integer(5));
    row.EveryMileage = q->real(6);
    return row;
}

std::optional<ReminderRow> reminderById(SqliteDatabase& db, qint64 id)
{
    SqliteQuery q = db.query(kReminderById);
    q->bind(1, id);
    if (!q->step())
        return std::nullopt;
    return readReminder(q);
}

StoreError reminderGone()
{
    return StoreError(StoreError::NotFound,
                      QStringLiteral("That reminder is no longer in the vehicle log; it may have "
                                     "been changed meanwhile. Nothing was changed."));
}

// What is due next once the reminder is done at that date and reading; none for a one-off.
std::optional<ReminderRow> NextDue(const ReminderRow& row, const QDateTime& doneAt,
                                   double doneReading)
{
    if (row.EveryMonths <= 0 && row.EveryMileage <= 0)
        return std::nullopt;
    ReminderRow next = row;
    // A way of being due that does not repeat is spent once the reminder is done.
    next.DueDate =
        row.EveryMonths > 0 ? AtMidnight(doneAt.date().addMonths(row.EveryMonths)) : QDateTime();
    next.DueMileage = row.EveryMileage > 0 ? doneReading + row.EveryMileage : 0;
    return next;
}

} // namespace

QVector<ReminderEntry> VehicleLog::Reminders(const QString& registration)
{
    SqliteQuery q = database().query(kSelectReminders);
    q->bind(1, registration);
    QVector<ReminderEntry> entries;
    while (q->step())
        entries.append({q->integer(7), readReminder(q)});
    return entries;
}

qint64 VehicleLog::AddReminder(const ReminderRow& row)
{
    SqliteDatabase& db = database();
    const StoredReminder values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(kInsertReminder);
        bind(q, values);
        q->run();
    }
    const qint64 id = db.integer("SELECT last_insert_rowid()");
    transaction.commit();
    return id;
}

void VehicleLog::ReplaceReminder(qint64 id, const ReminderRow& row)
{
    SqliteDatabase& db = database();
    const StoredReminder values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    if (!reminderById(db, id))
        throw reminderGone();
    SqliteQuery q = db.query(kUpdateReminder);
    bind(q, values); // the registration (?1) is bound but not used: it stays with its vehicle
    q->bind(8, id);
    q->run();
    transaction.commit();
}

void VehicleLog::DeleteReminder(qint64 id)
{
    SqliteDatabase& db = database();
    ++writes_;
    SqliteTransaction transaction(db);
    if (!reminderById(db, id))
        throw reminderGone();
    SqliteQuery q = db.query(kDeleteReminder);
    q->bind(1, id);
    q->run();
    transaction.commit();
}

qint64 VehicleLog::MarkReminderDone(qint64 id, const QDateTime& date, double reading, double cost)
{
    SqliteDatabase& db = database();
    StoredValues::CheckDate(date, QStringLiteral("Date"));
    StoredValues::FiniteNumber(reading, QStringLiteral("Current Mileage"));
    StoredValues::FiniteNumber(cost, QStringLiteral("Cost"));
    ++writes_;
    SqliteTransaction transaction(db);
    const auto reminder = reminderById(db, id);
    if (!reminder)
        throw reminderGone();
    MaintenanceRow entry;
    entry.Registration = reminder->Registration;
    entry.Date = date;
    entry.Cost = cost;
    entry.Description = reminder->Title;
    entry.Category = reminder->Category;
    {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, stored(entry));
        q->run();
    }
    const qint64 entryId = db.integer("SELECT last_insert_rowid()");
    if (const auto next = NextDue(*reminder, date, reading)) {
        SqliteQuery q = db.query(kUpdateReminder);
        bind(q, stored(*next));
        q->bind(8, id);
        q->run();
    } else {
        SqliteQuery q = db.query(kDeleteReminder);
        q->bind(1, id);
        q->run();
    }
    transaction.commit();
    return entryId;
}
