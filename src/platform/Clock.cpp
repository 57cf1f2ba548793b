#include "Clock.h"

QDate SystemClock::today() const
{
    return QDate::currentDate();
}

QDateTime SystemClock::now() const
{
    // Naive local wall-clock time, the same kind of value the text conversions produce.
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}
