#include "DataTool.h"

#include "Clock.h"
#include "CommandLine.h"
#include "Export.h"
#include "FailureWords.h"
#include "ImportPlan.h"
#include "ImportSummary.h"
#include "ReadImport.h"
#include "SettingsStore.h"
#include "StoreError.h"
#include "VehicleChoice.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFileInfo>

namespace {

QCommandLineOption valued(const char* name, const char* valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName));
}

QCommandLineOption flag(const char* name)
{
    return QCommandLineOption(QString::fromLatin1(name));
}

class Runner
{
public:
    Runner(QTextStream& out, QTextStream& err, const DataToolContext& context)
        : out_(out), err_(err), context_(context)
    {
    }

    int run(QStringList args)
    {
        const int status = runCommand(std::move(args));
        // Every printed word counts: a summary or export lost to a full disk or a closed pipe is
        // a failure, never a success.
        out_.flush();
        if (out_.status() == QTextStream::Ok)
            return status;
        err_ << "kelmot-data: standard output could not be written (" << OutputFailureReason(out_)
             << "), so " << outputOutcome_ << ".\n";
        return status == DataToolOk ? int(DataToolProblems) : status;
    }

private:
    int runCommand(QStringList args)
    {
        try {
            CommandLine global({flag("help"), valued("store", "PATH")}, QStringLiteral("a path"));
            global.read(args, CommandLine::Stop::AtFirstFile, QStringLiteral("help"));
            if (global.isSet(QStringLiteral("help"))) {
                out_ << DataToolHelp();
                return DataToolOk;
            }
            storePath_ = global.isSet(QStringLiteral("store"))
                             ? global.value(QStringLiteral("store"))
                             : QDir(context_.programFolder).filePath(QStringLiteral("Mileage.mdb"));
            failure_.store = storePath_;
            args = global.rest();
            if (args.isEmpty())
                throw UsageError{QStringLiteral("no command given")};
            const QString command = args.takeFirst();
            if (command == QLatin1String("help")) {
                out_ << DataToolHelp();
                return DataToolOk;
            }
            if (command == QLatin1String("import"))
                return import(args);
            if (command == QLatin1String("export"))
                return exportLog(args);
            if (command == QLatin1String("backup"))
                return backup(args);
            if (command == QLatin1String("restore"))
                return restore(args);
            if (command == QLatin1String("check"))
                return check(args);
            throw UsageError{QStringLiteral("unknown command %1").arg(command)};
        } catch (const UsageError& e) {
            err_ << "kelmot-data: " << e.message << "\n"
                 << "Try 'kelmot-data --help'.\n";
            return DataToolUsage;
        } catch (const ImportError& e) {
            // Which file it is about, unless the reader's words name it already.
            const QString file = QDir::toNativeSeparators(importFile_);
            err_ << "kelmot-data: " << e.message();
            if (!e.message().contains(file))
                err_ << " The import file is " << file << ".";
            err_ << "\n";
            return DataToolUsage;
        } catch (const ExportFileExists& e) {
            err_ << "kelmot-data: " << e.message() << " Give --force to replace it.\n";
            return DataToolProblems;
        } catch (const ExchangeError& e) {
            err_ << "kelmot-data: " << e.message() << "\n";
            return DataToolProblems;
        } catch (const StoreError& e) {
            err_ << "kelmot-data: " << StoreFailureWords(e, failure_) << "\n";
            return DataToolProblems;
        } catch (const std::bad_alloc&) {
            err_ << "kelmot-data: there was not enough memory, so " << failure_.outcome << ".\n";
            return DataToolProblems;
        }
    }

    // A command's options and exactly `files` FILEs.
    static void read(CommandLine& command, const QStringList& args, int files)
    {
        command.read(args, CommandLine::Stop::AtEnd);
        if (command.files().size() != files)
            throw UsageError{files == 1 ? QStringLiteral("give exactly one FILE")
                                        : QStringLiteral("this command takes no FILE")};
    }

    enum class Access
    {
        Write,
        ReadOnly // check, export and backup work on a read-only store too
    };

    std::unique_ptr<VehicleLog> openStore(Access access = Access::Write)
    {
        if (!QFileInfo::exists(storePath_))
            throw ExchangeError(QStringLiteral("there is no store at %1; nothing was changed.")
                                    .arg(QDir::toNativeSeparators(storePath_)));
        const int wait = busyTimeoutMs();
        return access == Access::ReadOnly ? VehicleLog::OpenReadOnly(storePath_, wait)
                                          : VehicleLog::Open(storePath_, wait);
    }

    int busyTimeoutMs() const
    {
        return context_.busyTimeoutMs < 0 ? VehicleLog::DefaultBusyTimeoutMs
                                          : context_.busyTimeoutMs;
    }

    QString logUnit() const { return ReadDistanceUnit(context_.settings); }

    int import(const QStringList& args)
    {
        CommandLine p({valued("format", "NAME"), valued("vehicle", "REG"),
                       valued("date-order", "ORDER"), valued("volume-unit", "UNIT"),
                       flag("dry-run")});
        read(p, args, 1);
        const QString path = p.files().first();
        ImportReadOptions readOptions(p.value("format"));
        if (p.isSet("date-order")) {
            const QString order = p.value("date-order");
            if (order == QLatin1String("dmy"))
                readOptions.dateOrder = DateOrder::DayFirst;
            else if (order == QLatin1String("mdy"))
                readOptions.dateOrder = DateOrder::MonthFirst;
            else
                throw UsageError{
                    QStringLiteral("--date-order takes dmy or mdy, not %1").arg(order)};
        }
        if (p.isSet("volume-unit")) {
            const QString unit = p.value("volume-unit");
            if (unit == QLatin1String("litre"))
                readOptions.volumeUnit = VolumeUnit::Litre;
            else if (unit == QLatin1String("us-gallon"))
                readOptions.volumeUnit = VolumeUnit::UsGallon;
            else if (unit == QLatin1String("imperial-gallon"))
                readOptions.volumeUnit = VolumeUnit::ImperialGallon;
            else
                throw UsageError{
                    QStringLiteral(
                        "--volume-unit takes litre, us-gallon or imperial-gallon, not %1")
                        .arg(unit)};
        }
        failure_.outcome = QStringLiteral("nothing was stored");
        importFile_ = path;
        const ImportFile file = ReadImportFile(path, readOptions);
        if (file.dateOrderUndecided) {
            QStringList lines;
            for (const int line : file.undecidedDateLines)
                lines << QString::number(line);
            throw UsageError{QStringLiteral("the file does not tell whether its dates are day "
                                            "first or month first (lines %1 read either way): "
                                            "give the order with --date-order dmy|mdy; nothing "
                                            "was stored")
                                 .arg(lines.join(QStringLiteral(", ")))};
        }
        ImportOptions options;
        options.logUnit = logUnit();
        if (p.isSet("vehicle")) {
            const QString reg = p.value("vehicle").trimmed();
            if (reg.isEmpty())
                throw UsageError{QStringLiteral("--vehicle needs a registration")};
            if (const QString why = FileUnderRegistration(file, reg, options); !why.isEmpty())
                throw UsageError{why};
        }
        auto log = openStore();
        const bool dryRun = p.isSet("dry-run");
        ImportPlan plan;
        // Planned and stored under the write lock: a second import of the same file running
        // at once finds these rows already present.
        if (dryRun)
            plan = PlanImport(*log, file, options, context_.clock);
        else
            ImportUnderWriteLock(*log, file, options, context_.clock, plan);
        if (plan.needsRegistration())
            throw UsageError{QStringLiteral("the file names no vehicle: give its registration "
                                            "with --vehicle REG; nothing was stored")};
        out_ << "Format: " << plan.format << "\n";
        const bool apply = !dryRun && !plan.addsNothing();
        if (apply)
            outputOutcome_ = QStringLiteral("the summary is incomplete, though the import was "
                                            "stored");
        out_ << ImportSummaryText(plan, apply);
        return DataToolOk;
    }

    int exportLog(const QStringList& args)
    {
        CommandLine p({valued("vehicle", "REG"), flag("removed"), flag("force")});
        read(p, args, 1);
        const QString path = p.files().first();
        failure_.outcome = QStringLiteral("nothing was exported");
        ExportOptions options;
        options.logUnit = logUnit();
        options.registration = p.value("vehicle");
        options.includeRemoved = p.isSet("removed");
        options.replaceExisting = p.isSet("force");
        auto log = openStore(Access::ReadOnly);
        if (path == QLatin1String("-")) {
            outputOutcome_ = QStringLiteral("the export is incomplete");
            // The byte order mark, as in a file, so a spreadsheet reads the text as UTF-8.
            out_ << QChar(0xFEFF) << QString::fromUtf8(ExportCsv(*log, options));
        } else {
            ExportCsvToFile(*log, options, path);
            out_ << "Exported to " << QDir::toNativeSeparators(path) << "\n";
        }
        return DataToolOk;
    }

    int backup(const QStringList& args)
    {
        CommandLine p;
        read(p, args, 1);
        const QString path = p.files().first();
        failure_.outcome = QStringLiteral("no backup was written");
        if (QFileInfo::exists(path))
            throw ExchangeError(QStringLiteral("%1 already exists; choose a new file name.")
                                    .arg(QDir::toNativeSeparators(path)));
        auto log = openStore(Access::ReadOnly);
        failure_.step = FailedStep::WritingBackup;
        failure_.other = path;
        log->BackupTo(path);
        out_ << "Backed up to " << QDir::toNativeSeparators(path) << " (integrity checked)\n";
        return DataToolOk;
    }

    int restore(const QStringList& args)
    {
        CommandLine p;
        read(p, args, 1);
        const QString path = p.files().first();
        failure_.outcome = QStringLiteral("nothing was changed");
        if (!QFileInfo::exists(path))
            throw ExchangeError(QStringLiteral("there is no file %1; nothing was changed.")
                                    .arg(QDir::toNativeSeparators(path)));
        QString kept;
        try {
            RestoreOptions options;
            options.now = context_.clock.now();
            options.busyTimeoutMs = busyTimeoutMs();
            kept = VehicleLog::Restore(path, storePath_, options);
        } catch (const StoreError& e) {
            // Its words say what failed and which files are as they were.
            err_ << "kelmot-data: " << e.text() << "\n";
            return DataToolProblems;
        }
        out_ << "Restored " << QDir::toNativeSeparators(storePath_) << " from "
             << QDir::toNativeSeparators(path);
        if (!kept.isEmpty())
            out_ << "; the previous store is kept as " << QDir::toNativeSeparators(kept);
        out_ << "\n";
        return DataToolOk;
    }

    int check(const QStringList& args)
    {
        CommandLine p;
        read(p, args, 0);
        failure_.outcome = QStringLiteral("the store was not checked");
        const QStringList problems = openStore(Access::ReadOnly)->Check();
        if (problems.isEmpty()) {
            out_ << "The store is sound.\n";
            return DataToolOk;
        }
        out_ << problems.size() << (problems.size() == 1 ? " problem" : " problems") << ":\n";
        for (const QString& problem : problems)
            out_ << "  " << problem << "\n";
        return DataToolProblems;
    }

    QTextStream& out_;
    QTextStream& err_;
    const DataToolContext& context_;
    QString storePath_;
    FailureContext failure_;
    QString importFile_;
    QString outputOutcome_ = QStringLiteral("what it printed is incomplete");
};

} // namespace

QString DataToolHelp()
{
    return QStringLiteral(
               "Usage: kelmot-data [--store PATH] COMMAND ARGS...\n"
               "\n"
               "Imports, exports, backs up, restores and checks a Kelmot store. Without --store "
               "it\n"
               "works on the Mileage.mdb beside kelmot-data. Distances are in the unit chosen in\n"
               "Kelmot's Preferences (Mile or Kilometre).\n"
               "\n"
               "Commands:\n"
               "  import [--format NAME] [--vehicle REG] [--date-order dmy|mdy]\n"
               "         [--volume-unit UNIT] [--dry-run] FILE\n"
               "      Imports another logbook's export file (or Kelmot's own CSV). The format is\n"
               "      told from the content; --format forces one of: %1.\n"
               "      --vehicle REG files the rows under registration REG (needed for files that "
               "name\n"
               "      no vehicle, such as Spritmonitor and LubeLogger); in a file of several "
               "vehicles\n"
               "      it imports only the one the file calls REG. A plate equal to a registration "
               "of\n"
               "      the log apart from blanks and letter case (AB12CDE) is filed under that "
               "vehicle.\n"
               "      --dry-run stores nothing.\n"
               "      Day/month dates are read in the order the file's own dates show (a day or\n"
               "      month above 12), else as the file declares; when nothing tells, the\n"
               "      import stops until --date-order dmy|mdy gives it (day or month first).\n"
               "      --volume-unit litre|us-gallon|imperial-gallon says what a file that names\n"
               "      no unit (LubeLogger) measures fuel in; litre unless told.\n"
               "      Prints, per vehicle, the readings and maintenance rows added, already "
               "present\n"
               "      and refused (a refused row of another kind, such as a vehicle's details, on "
               "a\n"
               "      line of its own), each refused row with its line number and reason, and the "
               "unit\n"
               "      conversions made. Of a vehicle's readings the largest set that keeps their\n"
               "      order is stored, and only the rest refused; a row repeated in the file is\n"
               "      stored once. Everything accepted is stored in one step, or nothing, planned\n"
               "      under the store's write lock so that two imports at once store each row "
               "once.\n"
               "      Exit status 0 when the file was read (refused rows included), 2 when it "
               "could\n"
               "      not be read as any format (nothing stored).\n"
               "  export [--vehicle REG] [--removed] [--force] FILE|-\n"
               "      Writes the log (or one vehicle) as Kelmot's own CSV to FILE, or to standard\n"
               "      output for -. --removed adds the removed readings and maintenance entries.\n"
               "      An existing FILE is replaced only with --force, and never when it is a "
               "store\n"
               "      or another database, a folder or a link; a device or a pipe is written "
               "into.\n"
               "      It never goes to a name of the store's own files (Mileage.mdb-journal,\n"
               "      Mileage.mdb.lock, Mileage.mdb.kelmot-temp-*).\n"
               "  backup FILE\n"
               "      Makes a consistent copy of the store in FILE, safe while Kelmot is writing,\n"
               "      and checks it before reporting it done.\n"
               "  restore FILE\n"
               "      With Kelmot closed: puts FILE in place of the store after checking it is a\n"
               "      sound Kelmot store that holds a vehicle; the current store is first kept\n"
               "      as a safety copy of its own, Mileage.mdb.before-restore-YYYYMMDD-HHMMSS,\n"
               "      never overwritten. An import running meanwhile stores into the restored\n"
               "      store, or stores nothing and says so.\n"
               "  check\n"
               "      Checks the store's integrity, schema version and the log's rules (every\n"
               "      vehicle has a reading; readings do not go down in date order).\n"
               "      Exit status 0 when sound, 1 with the list of problems.\n"
               "  help, --help\n"
               "      Shows this text.\n"
               "\n"
               "Exit status: 0 done; 1 problems found or a store or file failure; 2 a usage error\n"
               "or an import file in no known format.\n")
        .arg(ImportFormatNames().join(QStringLiteral(", ")));
}

int RunDataTool(const QStringList& args, QTextStream& out, QTextStream& err,
                const DataToolContext& context)
{
    return Runner(out, err, context).run(args);
}
