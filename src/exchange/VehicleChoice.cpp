#include "VehicleChoice.h"

QString FileUnderRegistration(const ImportFile& file, const QString& registration,
                              ImportOptions& options)
{
    if (file.vehicles.size() == 1) {
        options.registrationFor[file.vehicles.first().key] = registration;
        return QString();
    }
    QStringList names;
    const ImportedVehicle* chosen = nullptr;
    for (const ImportedVehicle& v : file.vehicles) {
        names << (v.plate.isEmpty() ? v.name : v.plate);
        for (const QString& n : {v.plate, v.name, v.key})
            if (!n.isEmpty() && n.compare(registration, Qt::CaseInsensitive) == 0)
                chosen = &v;
    }
    if (!chosen)
        return QStringLiteral("the file has no vehicle %1 (it has %2)")
            .arg(registration, names.join(QStringLiteral(", ")));
    for (const ImportedVehicle& v : file.vehicles)
        if (&v != chosen)
            options.skipKeys.insert(v.key);
    options.registrationFor[chosen->key] = registration;
    return QString();
}
