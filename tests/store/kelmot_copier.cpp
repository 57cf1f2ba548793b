// A child process for the durability tests, killed at random moments by them:
//   restore SOURCE_A SOURCE_B STORE   restores A and B in turn, without end (a refusal while
//                                     another writer holds the store is tried again)
//   backup STORE FOLDER               backs the store up into new files in FOLDER, without end
//   hold STORE                        leaves a write half done, as a crash would, and waits
// Each finished operation is reported on stdout.
#include "SqliteDatabase.h"
#include "VehicleLog.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 4 && args[0] == QLatin1String("restore")) {
            for (int n = 0;;) {
                try {
                    VehicleLog::Restore(args[1 + n % 2], args[3],
                                        {QDateTime::currentDateTimeUtc(), nullptr, {}});
                } catch (const StoreError& e) {
                    // A writer held the file past the wait: refused, nothing changed; again.
                    if (e.code() != StoreError::Busy)
                        throw;
                    continue;
                }
                std::printf("%d\n", n++);
                std::fflush(stdout);
            }
        }
        if (args.size() == 3 && args[0] == QLatin1String("backup")) {
            auto log = VehicleLog::OpenReadOnly(args[1]);
            for (int n = 0;; ++n) {
                log->BackupTo(QDir(args[2]).filePath(
                    QStringLiteral("backup-%1-%2.mdb").arg(app.applicationPid()).arg(n)));
                std::printf("%d\n", n);
                std::fflush(stdout);
            }
        }
        if (args.size() == 2 && args[0] == QLatin1String("hold")) {
            SqliteDatabase db(args[1], SqliteDatabase::Mode::ReadWrite, 1000);
            // A tiny page cache spills changed pages into the file before the commit.
            db.execute("PRAGMA cache_size = 2; BEGIN IMMEDIATE; "
                       "UPDATE \"Mileage\" SET \"Amount\" = \"Amount\" + 1000;");
            std::printf("held\n");
            std::fflush(stdout);
            std::getchar(); // killed here
            return 0;
        }
    } catch (const StoreError& e) {
        std::fprintf(stderr, "kelmot_copier: %s (code %d)\n", e.what(), e.code());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: kelmot_copier restore A B STORE | backup STORE FOLDER | hold STORE\n");
    return 2;
}
