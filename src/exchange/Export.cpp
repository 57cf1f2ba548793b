#include "Export.h"

#include "Csv.h"
#include "FileValues.h"
#include "FillWording.h"
#include "FormulaGuard.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "VehicleLog.h"

namespace {

// The columns, once for every kind of record; README.md describes each.
const QStringList& exportColumns()
{
    static const QStringList columns = {"Kelmot Record",
                                        "Registration",
                                        "Date",
                                        "Current Mileage",
                                        "Distance Unit",
                                        "Amount",
                                        "Price Per",
                                        "Cost",
                                        "Description",
                                        "Make",
                                        "Model",
                                        "Fuel",
                                        "Engine Capacity",
                                        "Registration Date",
                                        "Purchase Date",
                                        "Removed At",
                                        "Fill",
                                        "Category",
                                        "Reason"};
    return columns;
}

enum Column
{
    Kind,
    Registration,
    Date,
    CurrentMileage,
    Distance,
    Amount,
    PricePer,
    Cost,
    Description,
    Make,
    Model,
    Fuel,
    EngineCapacity,
    RegistrationDate,
    PurchaseDate,
    RemovedAt,
    Fill,
    Category,
    Reason, // only with the removed rows: the last column, so that every other keeps its place
    ColumnCount
};

// Writes the first `columns` fields of every row.
class CsvOut
{
public:
    explicit CsvOut(qsizetype columns) : columns_(columns) {}
    void row(const QStringList& fields)
    {
        for (qsizetype i = 0; i < columns_; ++i) {
            if (i > 0)
                text_ += QLatin1Char(',');
            text_ += CsvField(fields[i]);
        }
        text_ += QLatin1String("\r\n");
    }
    QByteArray bytes() const { return text_.toUtf8(); }

private:
    qsizetype columns_;
    QString text_;
};

QString detailDate(const QDateTime& value)
{
    return !value.isValid() || IsNoDate(value) ? QString() : StoredDateText(value);
}

QStringList blankRow(const char* kind, const QString& registration)
{
    QStringList fields(ColumnCount);
    fields[Kind] = QString::fromLatin1(kind);
    fields[Registration] = GuardFormula(registration);
    return fields;
}

QStringList mileageRow(const char* kind, const MileageRow& m, const QString& unit)
{
    QStringList f = blankRow(kind, m.Registration);
    f[Date] = StoredDateText(m.Date);
    f[CurrentMileage] = ExactNumber(m.CurrentMileage);
    f[Distance] = unit;
    f[Amount] = ExactNumber(m.Amount);
    f[PricePer] = ExactNumber(m.PricePer);
    f[Fill] = FillWord({m.PartialFill, m.MissedFillBefore});
    return f;
}

QStringList maintenanceRow(const char* kind, const MaintenanceRow& m)
{
    QStringList f = blankRow(kind, m.Registration);
    f[Date] = StoredDateText(m.Date);
    f[Cost] = ExactNumber(m.Cost);
    f[Description] = GuardFormula(m.Description);
    f[Category] = m.Category;
    return f;
}

QStringList detailsRow(const char* kind, const VehicleRow& v)
{
    QStringList f = blankRow(kind, v.Registration);
    f[Make] = GuardFormula(v.Make);
    f[Model] = GuardFormula(v.Model);
    f[Fuel] = GuardFormula(v.Fuel);
    f[EngineCapacity] = ExactNumber(v.EngineCapacity);
    f[RegistrationDate] = detailDate(v.RegistrationDate);
    f[PurchaseDate] = detailDate(v.PurchaseDate);
    return f;
}

// Removed entries follow the vehicle's live rows, readings first, then maintenance, then the
// details of the vehicles merged into it (under the registration each had), each with the time
// it was removed and why.
void writeRemoved(VehicleLog& log, const QString& registration, const QString& unit, CsvOut& out)
{
    const QVector<RemovedEntry> removed = log.RemovedEntries(registration);
    for (const auto kind : {RemovedEntry::Kind::Reading, RemovedEntry::Kind::Maintenance,
                            RemovedEntry::Kind::Details})
        for (const RemovedEntry& r : removed) {
            if (r.kind != kind)
                continue;
            QStringList f = kind == RemovedEntry::Kind::Reading
                                ? mileageRow("Removed Mileage", r.reading, unit)
                            : kind == RemovedEntry::Kind::Maintenance
                                ? maintenanceRow("Removed Maintenance", r.maintenance)
                                : detailsRow("Removed Vehicle Details", r.details);
            f[RemovedAt] = StoredDateText(r.RemovedAt);
            f[Reason] = r.Reason;
            out.row(f);
        }
}

} // namespace

QByteArray ExportCsv(VehicleLog& log, const ExportOptions& options,
                     const ExchangeProgress& progress)
{
    QStringList registrations;
    if (options.registration.isEmpty())
        registrations = log.ListRegistrations();
    else if (const auto found = log.FindVehicle(options.registration))
        registrations << found->Registration;
    else
        throw ExchangeError(
            QStringLiteral("There is no vehicle %1 in the log; nothing was exported.")
                .arg(options.registration));
    const QString unit = UnitWord(LogUnitOf(options.logUnit));
    CsvOut out(options.includeRemoved ? ColumnCount : Reason);
    out.row(exportColumns());
    qint64 done = 0;
    for (const QString& registration : registrations) {
        if (progress && !progress(done++, registrations.size()))
            throw ExchangeCancelled();
        const auto v = log.FindVehicle(registration);
        if (!v)
            continue;
        out.row(detailsRow("Vehicle", *v));
        for (const MileageRow& m : log.MileageChronological(registration))
            out.row(mileageRow("Mileage", m, unit));
        for (const MaintenanceRow& m : log.MaintenanceByDate(registration))
            out.row(maintenanceRow("Maintenance", m));
        if (options.includeRemoved)
            writeRemoved(log, registration, unit, out);
    }
    if (progress && !progress(registrations.size(), registrations.size()))
        throw ExchangeCancelled();
    return out.bytes();
}
