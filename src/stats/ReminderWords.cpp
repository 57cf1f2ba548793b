#include "ReminderWords.h"

#include "TextConversions.h"
#include "UnitWording.h"

QString StateWord(ReminderState state)
{
    switch (state) {
    case ReminderState::Overdue:
        return QStringLiteral("Overdue");
    case ReminderState::DueSoon:
        return QStringLiteral("Due soon");
    case ReminderState::Later:
        break;
    }
    return QStringLiteral("Later");
}

QString DueText(const ReminderRow& row, const ReminderStatus& status, const QString& unit)
{
    QStringList parts;
    if (row.DueDate.isValid())
        parts << DateToText(row.DueDate.date());
    if (row.DueMileage > 0) {
        QString reading = PlainNumber(row.DueMileage) + QLatin1Char(' ') + PluralUnit(unit);
        if (status.estimated)
            reading += QStringLiteral(" (about %1)").arg(DateToText(status.due));
        parts << reading;
    }
    return parts.join(QStringLiteral(" or "));
}

QString ReminderSummary(const QVector<VehicleReminder>& reminders)
{
    QStringList overdue, soon;
    for (const VehicleReminder& r : reminders) {
        if (r.status.state == ReminderState::Overdue)
            overdue << r.entry.row.Title;
        else if (r.status.state == ReminderState::DueSoon)
            soon << r.entry.row.Title;
    }
    QStringList sentences;
    if (!overdue.isEmpty())
        sentences << QStringLiteral("Overdue: %1.").arg(overdue.join(QStringLiteral(", ")));
    if (!soon.isEmpty())
        sentences << QStringLiteral("Due soon: %1.").arg(soon.join(QStringLiteral(", ")));
    return sentences.join(QLatin1Char(' '));
}

QString RemindersDueMessage(const QStringList& vehicleLines)
{
    if (vehicleLines.isEmpty())
        return {};
    return QStringLiteral("Reminders overdue or due soon:\n\n") +
           vehicleLines.join(QLatin1Char('\n'));
}
