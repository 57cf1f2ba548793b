#include "EntryChecks.h"

#include "LogRuleWords.h"
#include "TextConversions.h"

namespace EntryChecks {

TypedDate DateFromText(const QString& text)
{
    const bool valid = IsDateText(text);
    return {!text.isEmpty(), valid, valid ? TextToDate(text) : QDateTime()};
}

TypedNumber NumberFromText(const QString& text)
{
    return {!text.isEmpty(), IsNumericText(text), TextToNumber(text)};
}

TypedReading ReadingFromTexts(const QString& date, const QString& mileage, const QString& amount,
                              const QString& pricePer)
{
    return {DateFromText(date), NumberFromText(mileage), NumberFromText(amount),
            NumberFromText(pricePer)};
}

TypedReading ReadingOf(const MileageRow& row)
{
    return {{true, true, row.Date},
            {true, true, row.CurrentMileage},
            {true, true, row.Amount},
            {true, true, row.PricePer}};
}

TypedMaintenance MaintenanceOf(const MaintenanceRow& row)
{
    return {{true, true, row.Date}, {true, true, row.Cost}, row.Description};
}

namespace {

Result refuse(Field field, Rule rule, const QString& message)
{
    return Refusal{field, rule, message};
}

// The entry's own date: a date, and not after today.
Result entryDate(const TypedDate& date, std::optional<QDate> today)
{
    if (!date.valid)
        return refuse(Field::Date, Rule::Format,
                      QStringLiteral("The entry for 'Date' must be in date format"));
    if (today && LogRules::IsFuture(date.value, *today))
        return refuse(Field::Date, Rule::Future,
                      QStringLiteral("The entry for 'Date' cannot be in the future"));
    return std::nullopt;
}

Result notBeforeLatest(const QDateTime& date, const QDateTime& latest)
{
    if (LogRules::IsBeforeLatest(date, latest))
        return refuse(Field::Date, Rule::Order,
                      QStringLiteral("The entry for 'Date' is before the most recent entry"));
    return std::nullopt;
}

// A figure of fuel or cost: numeric, and above 0 unless it may stay 0.
Result fuelFigure(const TypedNumber& n, Field field, const char* name, bool mayBeZero = false)
{
    if (!n.valid)
        return refuse(
            field, Rule::Format,
            QStringLiteral("The entry for '%1' must be numeric").arg(QLatin1String(name)));
    if (!mayBeZero && !LogRules::IsPositive(n.value))
        return refuse(
            field, Rule::NotPositive,
            QStringLiteral("The entry for '%1' must be a positive Value").arg(QLatin1String(name)));
    return std::nullopt;
}

Result readingNumeric(const TypedNumber& mileage)
{
    if (!mileage.valid)
        return refuse(Field::CurrentMileage, Rule::Format,
                      QStringLiteral("The entry for 'Current Mileage' must be numeric"));
    return std::nullopt;
}

Result notBelowZero(double mileage)
{
    if (LogRules::IsBelowZero(mileage))
        return refuse(Field::CurrentMileage, Rule::BelowZero, LogRuleWords::BelowZeroMessage());
    return std::nullopt;
}

// An optional date of Add New Vehicle: empty, or a date no later than today.
Result vehicleDate(const TypedDate& date, Field field, const char* name, const QDate& today)
{
    if (!date.given)
        return std::nullopt;
    const QLatin1String label(name);
    if (!date.valid)
        return refuse(field, Rule::Format,
                      QStringLiteral("The entry for '%1' must be in date format").arg(label));
    if (LogRules::IsFuture(date.value, today))
        return refuse(field, Rule::Future,
                      QStringLiteral("The entry for '%1' must be in the past").arg(label));
    return std::nullopt;
}

// The first check that refuses, in the order given; the later ones are not run.
Result firstOf(std::initializer_list<std::function<Result()>> checks)
{
    for (const auto& check : checks)
        if (Result refusal = check())
            return refusal;
    return std::nullopt;
}

} // namespace

Result NewReading(const TypedReading& r, std::optional<QDate> today, const MileageRow* latest)
{
    return firstOf({
        [&] { return entryDate(r.date, today); },
        [&] { return latest ? notBeforeLatest(r.date.value, latest->Date) : Result(); },
        [&] { return readingNumeric(r.mileage); },
        [&]() -> Result {
            if (latest && LogRules::IsBelowLatest(r.mileage.value, latest->CurrentMileage))
                return refuse(
                    Field::CurrentMileage, Rule::Order,
                    QStringLiteral("The entry for 'Mileage' is less than the most recent entry"));
            return std::nullopt;
        },
        // After the comparison, so its message stays the one for a reading below the latest;
        // this catches a vehicle whose readings are all below 0 or that has none.
        [&] { return notBelowZero(r.mileage.value); },
        [&] { return fuelFigure(r.amount, Field::Amount, "Amount"); },
        [&] { return fuelFigure(r.pricePer, Field::PricePer, "Price Per"); },
    });
}

Result MendedReading(const TypedReading& r, std::optional<QDate> today,
                     const std::function<LogRules::ReadingBounds(const QDateTime&)>& boundsAt,
                     bool withoutFuel)
{
    const bool keepsNoFuel = withoutFuel && r.amount.value == 0 && r.pricePer.value == 0;
    return firstOf({
        [&] { return entryDate(r.date, today); },
        [&] { return readingNumeric(r.mileage); },
        [&] { return notBelowZero(r.mileage.value); },
        [&] { return AmongOthers(boundsAt(r.date.value), r.mileage.value); },
        [&] { return fuelFigure(r.amount, Field::Amount, "Amount", keepsNoFuel); },
        [&] { return fuelFigure(r.pricePer, Field::PricePer, "Price Per", keepsNoFuel); },
    });
}

Result AmongOthers(const LogRules::ReadingBounds& bounds, double mileage)
{
    if (LogRules::Fit(bounds, mileage) != LogRules::ReadingFit::Fits)
        return refuse(Field::CurrentMileage, Rule::Order, LogRuleWords::OrderRuleMessage(bounds));
    return std::nullopt;
}

Result Maintenance(const TypedMaintenance& m, std::optional<QDate> today,
                   std::optional<QDateTime> latestDate)
{
    return firstOf({
        [&] { return entryDate(m.date, today); },
        [&] { return fuelFigure(m.cost, Field::Amount, "Amount"); },
        // Blanks only are not empty.
        [&] {
            return m.description.isEmpty() ? refuse(Field::Description, Rule::Required,
                                                    QStringLiteral("Please Enter a Description"))
                                           : Result();
        },
        // Last, after the amount and the description.
        [&] { return latestDate ? notBeforeLatest(m.date.value, *latestDate) : Result(); },
    });
}

Result NewVehicle(const TypedVehicle& v, const QDate& today,
                  const std::function<bool(const QString&)>& exists)
{
    const QString required = QStringLiteral("Entry is required in the highlighted fields");
    return firstOf({
        [&] {
            return v.registration.isEmpty() ? refuse(Field::VehicleReg, Rule::Required, required)
                                            : Result();
        },
        [&] {
            return v.mileage.given ? Result()
                                   : refuse(Field::CurrentMileage, Rule::Required, required);
        },
        [&] {
            return exists(v.registration)
                       ? refuse(Field::VehicleReg, Rule::Exists,
                                QStringLiteral(
                                    "An entry for this 'Vehicle Registration' already exists"))
                       : Result();
        },
        [&] { return readingNumeric(v.mileage); },
        [&] { return notBelowZero(v.mileage.value); },
        [&] {
            return vehicleDate(v.registrationDate, Field::RegistrationDate, "Registration Date",
                               today);
        },
        [&] { return vehicleDate(v.purchaseDate, Field::PurchaseDate, "Purchase Date", today); },
        // An empty capacity passes: it is stored as 0.
        [&]() -> Result {
            if (!v.capacity.given)
                return std::nullopt;
            if (!v.capacity.valid)
                return refuse(Field::EngineCapacity, Rule::Format,
                              QStringLiteral("The entry for 'Engine Capacity' must be numeric"));
            if (!LogRules::IsPositive(v.capacity.value))
                return refuse(Field::EngineCapacity, Rule::NotPositive,
                              QStringLiteral("The entry for 'Engine Capacity' must be positive"));
            return std::nullopt;
        },
    });
}

Result ReadingRemoval(const QString& registration, qsizetype readingsHeld)
{
    if (LogRules::CanRemoveReading(readingsHeld))
        return std::nullopt;
    return refuse(Field::None, Rule::OnlyReading,
                  QStringLiteral("The reading of %1 is its only one, and a vehicle always keeps "
                                 "at least one reading. Nothing was removed.")
                      .arg(registration));
}

bool IsFutureImport(const QDateTime& date, const QDate& today, const QDateTime& now)
{
    return LogRules::IsFuture(date, today) && date > now;
}

} // namespace EntryChecks
