#include "Export.h"
#include "LogRules.h"
#include "StoreError.h"
#include "WindowSupport.h"
#include "dlgExport.h"
#include "dlgImport.h"
#include "dlgRemoveLatest.h"
#include "frmMain.h"

// The data commands: File > Import, Export and Back Up, and Vehicle > Remove Latest Reading and
// Remove Latest Maintenance Entry. Each choice of a file goes through the FileChooser seam and
// each message through Messages, so no test ever meets a real dialog.

namespace {

const QString ImportFilter = QStringLiteral("Logbook exports (*.csv *.txt);;All files (*)");
const QString ExportFilter = QStringLiteral("CSV files (*.csv);;All files (*)");
const QString BackupFilter = QStringLiteral("Kelmot stores (*.mdb);;All files (*)");

// A registration as part of a file name: letters, digits, '-' and '_' kept, the rest dropped.
QString FileNamePart(const QString& text)
{
    QString part;
    for (const QChar c : text)
        if (c.isLetterOrNumber() || c == u'-' || c == u'_')
            part += c;
        else if (c == u' ' && !part.endsWith(u'-'))
            part += u'-';
    return part;
}

} // namespace

void frmMain::ShowPlainMessage(const QString& text)
{
    state_.platform.messages.show(text, QStringLiteral("Kelmot"), Messages::Icon::Information);
}

void frmMain::Import_Click()
{
    if (import_) { // one import at a time: bring the running one to the front
        ShowOnce(import_, [] { return nullptr; });
        return;
    }
    const QString path =
        state_.platform.fileChooser.openFile(QStringLiteral("Import"), ImportFilter);
    if (path.isEmpty())
        return;
    ShowOnce(import_, [this, &path] {
        return new dlgImport(
            state_, path,
            [this] {
                FillVehicleList();
                ShowVehicleDetails();
            },
            this);
    });
}

void frmMain::Export_Click()
{
    ShowOnce(export_, [this] {
        return new dlgExport(
            state_.platform.messages, state_.CurrentRegistration,
            [this](bool allVehicles) { ExportLog(allVehicles); }, this);
    });
}

void frmMain::ExportLog(bool allVehicles)
{
    const QString date = state_.platform.clock.today().toString(QStringLiteral("yyyy-MM-dd"));
    const QString name =
        (allVehicles ? QStringLiteral("Kelmot") : FileNamePart(state_.CurrentRegistration)) + u'-' +
        date + QStringLiteral(".csv");
    const QString path =
        state_.platform.fileChooser.saveFile(QStringLiteral("Export"), name, ExportFilter);
    if (path.isEmpty())
        return;
    ExportOptions options;
    options.logUnit = state_.DistanceUnit;
    options.registration = allVehicles ? QString() : state_.CurrentRegistration;
    // The file chooser has asked before replacing a file; the exchange layer still refuses a
    // store, a database, a folder and a link.
    options.replaceExisting = true;
    try {
        ExportCsvToFile(*state_.LogDatabase, options, path);
    } catch (const ExchangeError& e) {
        throw ExchangeError(QStringLiteral("The log could not be exported: %1").arg(e.message()));
    } catch (const StoreError&) {
        throw ExchangeError(QStringLiteral("The log could not be read, so nothing was exported."));
    }
    ShowPlainMessage(
        allVehicles
            ? QStringLiteral("Every vehicle was exported to %1.").arg(path)
            : QStringLiteral("%1 was exported to %2.").arg(state_.CurrentRegistration, path));
}

void frmMain::Back_Up_Click()
{
    const QString name =
        QStringLiteral("Mileage-%1.mdb")
            .arg(state_.platform.clock.today().toString(QStringLiteral("yyyy-MM-dd")));
    const QString path =
        state_.platform.fileChooser.saveFile(QStringLiteral("Back Up"), name, BackupFilter);
    if (path.isEmpty())
        return;
    // The file dialog has asked before replacing a file; the copy is checked beside it, then
    // takes its place in one step, so a failed backup never costs the older one. The store
    // refuses the log itself and its own files.
    try {
        state_.LogDatabase->BackupTo(path, {}, VehicleLog::ExistingFile::Replace);
    } catch (const StoreError& e) {
        state_.platform.messages.show(
            QStringLiteral("The backup could not be made in %1: %2 The log itself is unchanged.")
                .arg(path, e.text()),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        return;
    }
    ShowPlainMessage(QStringLiteral("The log was backed up to %1.").arg(path));
}

void frmMain::Remove_Latest_Reading_Click()
{
    const QString registration = state_.CurrentRegistration;
    const std::optional<MileageRow> latest = state_.LogDatabase->LatestMileage(registration);
    if (!latest) {
        ShowPlainMessage(QStringLiteral("%1 has no reading to remove.").arg(registration));
        return;
    }
    // Said before the confirmation: the user should not confirm a removal that cannot happen.
    // The readings are usually those the window has just shown, kept by the store.
    if (!LogRules::CanRemoveReading(
            state_.LogDatabase->MileageChronological(registration).size())) {
        ShowPlainMessage(dlgRemoveLatest::OnlyReadingText(registration));
        return;
    }
    if (removeReading_) // a confirmation from before shows what may no longer be the latest
        removeReading_->close();
    ShowOnce(removeReading_, [this, &latest] {
        const MileageRow shown = *latest;
        return new dlgRemoveLatest(
            state_.platform.messages, shown, state_.DistanceUnit,
            [this, shown] { RemoveLatestReading(shown); }, this);
    });
}

void frmMain::Remove_Latest_Maintenance_Entry_Click()
{
    const QString registration = state_.CurrentRegistration;
    const std::optional<MaintenanceRow> latest =
        state_.LogDatabase->LatestMaintenance(registration);
    if (!latest) {
        ShowPlainMessage(
            QStringLiteral("%1 has no maintenance entry to remove.").arg(registration));
        return;
    }
    if (removeMaintenance_)
        removeMaintenance_->close();
    ShowOnce(removeMaintenance_, [this, &latest] {
        const MaintenanceRow shown = *latest;
        return new dlgRemoveLatest(
            state_.platform.messages, shown, [this, shown] { RemoveLatestMaintenance(shown); },
            this);
    });
}

namespace {

bool SameReading(const MileageRow& a, const MileageRow& b)
{
    return a.Registration.compare(b.Registration, Qt::CaseInsensitive) == 0 && a.Date == b.Date &&
           a.CurrentMileage == b.CurrentMileage && a.Amount == b.Amount && a.PricePer == b.PricePer;
}

bool SameEntry(const MaintenanceRow& a, const MaintenanceRow& b)
{
    return a.Registration.compare(b.Registration, Qt::CaseInsensitive) == 0 && a.Date == b.Date &&
           a.Cost == b.Cost && a.Description == b.Description;
}

} // namespace

// Removes the reading the confirmation showed, and only that one: when another has become the
// latest since (recorded meanwhile), nothing is removed.
void frmMain::RemoveLatestReading(const MileageRow& shown)
{
    VehicleLog& log = *state_.LogDatabase;
    const std::optional<MileageRow> latest = log.LatestMileage(shown.Registration);
    if (!latest || !SameReading(*latest, shown)) {
        ShowPlainMessage(QStringLiteral("The latest reading of %1 has changed since it was "
                                        "shown, so nothing was removed.")
                             .arg(shown.Registration));
        return;
    }
    try {
        log.RemoveLatestMileage(shown.Registration, state_.platform.clock.now());
    } catch (const StoreError& e) {
        if (e.code() != StoreError::OnlyReading)
            throw;
        ShowPlainMessage(dlgRemoveLatest::OnlyReadingText(shown.Registration));
        return;
    }
    ShowVehicleDetails();
}

void frmMain::RemoveLatestMaintenance(const MaintenanceRow& shown)
{
    VehicleLog& log = *state_.LogDatabase;
    const std::optional<MaintenanceRow> latest = log.LatestMaintenance(shown.Registration);
    if (!latest || !SameEntry(*latest, shown)) {
        ShowPlainMessage(QStringLiteral("The latest maintenance entry of %1 has changed since it "
                                        "was shown, so nothing was removed.")
                             .arg(shown.Registration));
        return;
    }
    log.RemoveLatestMaintenance(shown.Registration, state_.platform.clock.now());
    ShowVehicleDetails();
}
