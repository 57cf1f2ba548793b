// A child process for the durability tests: appends readings (and now and then a whole vehicle)
// through the real store and reports each append on stdout once the call has returned.
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: kelmot_appender STORE REGISTRATION COUNT\n");
        return 2;
    }
    const QString registration = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    try {
        auto log = VehicleLog::Open(QString::fromLocal8Bit(argv[1]));
        auto mileage = log->OpenMileageTable();
        auto details = log->OpenVehicleDetailsTable();
        const QDateTime day = AtMidnight(QDate(2026, 1, 1));
        for (int i = 0; i < count; ++i) {
            if (i % 5 == 0) {
                VehicleRow vehicle;
                vehicle.Registration = registration + QStringLiteral("-V%1").arg(i);
                vehicle.RegistrationDate = NoDate();
                vehicle.PurchaseDate = NoDate();
                details->AppendVehicle(vehicle,
                                       MileageRow{vehicle.Registration, day, double(i), 0, 0});
            } else {
                mileage->AppendMileage(
                    MileageRow{registration, day.addDays(i), double(i), 40, 1.5});
            }
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    } catch (const StoreError& e) {
        std::fprintf(stderr, "kelmot_appender: %s (code %d)\n", e.what(), e.code());
        return 1;
    }
    return 0;
}
