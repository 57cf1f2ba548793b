#pragma once

#include <QDate>
#include <QDateTime>

// Today's date and the current time; tests inject a fixed clock.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDate today() const override;
    QDateTime now() const override;
};
