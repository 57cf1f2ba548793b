#pragma once

#include "StoreError.h"
#include "StoreRows.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

struct sqlite3_stmt;

class MileageCursor;
class MaintenanceCursor;
class VehicleDetailsCursor;

// The vehicle log store: one SQLite file holding "Vehicle Details", "Mileage" and "Maintenance".
// Every query binds the registration as a parameter, and registrations compare without regard
// to letter case. Every failure is thrown as StoreError.
class VehicleLog
{
public:
    static constexpr int SchemaVersion = 1;
    // How long a write waits for another process sharing the file.
    static constexpr int DefaultBusyTimeoutMs = 10000;

    // Opens an existing store read-write; never creates the file.
    static std::unique_ptr<VehicleLog> Open(const QString& path,
                                            int busyTimeoutMs = DefaultBusyTimeoutMs);
    // Creates a new, empty store; refuses to touch a file that already exists.
    static void Create(const QString& path);

    ~VehicleLog();
    VehicleLog(const VehicleLog&) = delete;
    VehicleLog& operator=(const VehicleLog&) = delete;

    // Closes the store; every later operation, on it or its cursors, throws.
    void Close();
    bool isOpen() const { return open_; }
    QString path() const { return path_; }

    QStringList ListRegistrations();
    // The vehicle's details row, if there is one.
    std::optional<VehicleRow> FindVehicle(const QString& registration);
    // Replaces the six editable fields of the vehicle's row; Registration never changes.
    void EditVehicle(const QString& registration, const VehicleRow& values);
    QVector<MileageRow> MileageNewestFirst(const QString& registration);
    QVector<MileageRow> MileageChronological(const QString& registration);
    QVector<MaintenanceRow> MaintenanceByDate(const QString& registration);
    QVector<MaintenanceRow> MaintenanceNewestFirst(const QString& registration);

    // Changes whenever this or another process has written to the store since the last call
    // that returned the same value; lets readers keep what they made from unchanged data.
    std::pair<qint64, qint64> ChangeStamp();

    // The append cursors, opened once at start-up and kept until the store closes.
    std::unique_ptr<MileageCursor> OpenMileageTable();
    std::unique_ptr<MaintenanceCursor> OpenMaintenanceTable();
    std::unique_ptr<VehicleDetailsCursor> OpenVehicleDetailsTable();

private:
    friend class MileageCursor;
    friend class MaintenanceCursor;
    friend class VehicleDetailsCursor;

    VehicleLog(QString connectionName, QString path);
    QSqlDatabase database() const;
    void requireOpen() const;
    QSqlQuery& prepared(std::unique_ptr<QSqlQuery>& slot, const char* sql);
    void run(QSqlQuery& query);
    template <typename Row, typename Reader>
    QVector<Row> selectRows(QSqlQuery& q, const QString& registration, Reader read);
    QSqlQuery& mileageInsert();
    void bindMileage(QSqlQuery& q, const MileageRow& row);
    void writeTransaction(const std::function<void()>& body);
    void retryWhileBusy(const QString& sql);
    void insertMileage(const MileageRow& row);
    void insertMaintenance(const MaintenanceRow& row);
    void insertVehicle(const VehicleRow& vehicle, const MileageRow& firstReading);
    void execute(const QString& sql);

    sqlite3_stmt* chronologicalStatement();

    struct ReadingsCache
    {
        QString registration;
        std::pair<qint64, qint64> stamp;
        QVector<MileageRow> rows;
    };

    QString connection_;
    QString path_;
    bool open_ = false;
    std::unique_ptr<QSqlQuery> list_, find_, edit_, newestMileage_, chronological_,
        maintenanceByDate_, newestMaintenance_, insertMileage_, insertMaintenance_, insertVehicle_,
        dataVersion_;
    qint64 writes_ = 0;
    std::optional<ReadingsCache> chronologicalCache_;
    sqlite3_stmt* chronologicalStatement_ = nullptr;
};

// Append cursor on "Mileage".
class MileageCursor
{
public:
    explicit MileageCursor(VehicleLog& log) : log_(log) {}
    void AppendMileage(const MileageRow& row) { log_.insertMileage(row); }

private:
    VehicleLog& log_;
};

// Append cursor on "Maintenance".
class MaintenanceCursor
{
public:
    explicit MaintenanceCursor(VehicleLog& log) : log_(log) {}
    void AppendMaintenance(const MaintenanceRow& row) { log_.insertMaintenance(row); }

private:
    VehicleLog& log_;
};

// Append cursor on "Vehicle Details". A new vehicle's details row and its first reading
// are written in one transaction: either both are stored or neither.
class VehicleDetailsCursor
{
public:
    explicit VehicleDetailsCursor(VehicleLog& log) : log_(log) {}
    void AppendVehicle(const VehicleRow& vehicle, const MileageRow& firstReading)
    {
        log_.insertVehicle(vehicle, firstReading);
    }

private:
    VehicleLog& log_;
};
