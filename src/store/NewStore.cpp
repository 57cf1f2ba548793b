// Creates an empty vehicle log at the given path, unless a file is already there:
// the build and the install use it so that an existing store is never overwritten.
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelmot_newstore PATH\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (QFileInfo::exists(path))
        return 0;
    try {
        VehicleLog::Create(path);
    } catch (const StoreError& e) {
        std::fprintf(stderr, "kelmot_newstore: %s (code %d)\n", e.what(), e.code());
        return 1;
    }
    return 0;
}
