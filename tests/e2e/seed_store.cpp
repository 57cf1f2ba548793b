// Test tool: "seed PATH" makes a store with one vehicle and a year of readings;
// "check PATH" opens a store as the program does and prints its registrations.
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    try {
        if (mode == QLatin1String("seed")) {
            VehicleLog::Create(path);
            auto log = VehicleLog::Open(path);
            VehicleRow vehicle;
            vehicle.Registration = QStringLiteral("KM02 XYZ");
            vehicle.Make = QStringLiteral("Ford");
            vehicle.Model = QStringLiteral("Focus");
            vehicle.Fuel = QStringLiteral("Diesel");
            vehicle.EngineCapacity = 1.8;
            vehicle.RegistrationDate = AtMidnight(QDate(2002, 3, 1));
            vehicle.PurchaseDate = NoDate();
            const QDate start = QDate::currentDate().addYears(-1);
            log->OpenVehicleDetailsTable()->AppendVehicle(
                vehicle, MileageRow{vehicle.Registration, AtMidnight(start), 20000, 0, 0});
            auto mileage = log->OpenMileageTable();
            for (int week = 1; week <= 52; ++week)
                mileage->AppendMileage(MileageRow{vehicle.Registration,
                                                  AtMidnight(start.addDays(7 * week)),
                                                  20000.0 + 230 * week, 45, 1.52});
        } else {
            auto log = VehicleLog::Open(path);
            for (const QString& registration : log->ListRegistrations())
                std::printf("%s\n", qPrintable(registration));
        }
    } catch (const StoreError& e) {
        std::fprintf(stderr, "seed_store: %s (code %d)\n", e.what(), e.code());
        return 1;
    }
    return 0;
}
