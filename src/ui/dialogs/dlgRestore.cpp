#include "dlgRestore.h"

#include "Messages.h"
#include "StoreError.h"
#include "WindowSupport.h"
#include "ui_dlgRestore.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int LeftTwips = 3600;
constexpr int TopTwips = 2400;

QString Figure(qint64 n)
{
    return QLocale().toString(n);
}

QString NewestText(const QDateTime& newest)
{
    return newest.isValid() ? QLocale().toString(newest.date(), QLocale::ShortFormat)
                            : QStringLiteral("none");
}

} // namespace

dlgRestore::dlgRestore(Messages& messages, QString backupPath, QString storePath, Steps steps,
                       QWidget* parent)
    : QDialog(parent), messages_(messages), backupPath_(std::move(backupPath)),
      storePath_(std::move(storePath)), steps_(std::move(steps)),
      ui(std::make_unique<Ui::dlgRestore>())
{
    ui->setupUi(this);
    ui->lblQuestion->setText(
        QStringLiteral("Replace the vehicle log with the backup %1?")
            .arg(QDir::toNativeSeparators(QFileInfo(backupPath_).absoluteFilePath())));
    connect(ui->RestoreButton, &QPushButton::clicked, this,
            [this] { Guarded(messages_, [this] { RestoreButton_Click(); }); });
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgRestore::CancelButton_Click);
    connect(&reading_, &QFutureWatcher<Summaries>::finished, this, &dlgRestore::showSummaries);
    connect(&restoring_, &QFutureWatcher<Outcome>::finished, this, &dlgRestore::finishRestore);
    // Room for the widest figures before they are known, so the frame's fixed size holds them.
    ui->lblQuestion->setMinimumWidth(TwipsToPixels(5400));
    adjustSize();
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    ui->CancelButton->setFocus();
    setStage(Stage::Reading);

    reading_.setFuture(QtConcurrent::run([backup = backupPath_, store = storePath_] {
        Summaries s;
        const auto read = [](const QString& path, std::optional<StoreSummary>& into,
                             QString& failure) {
            try {
                into = SummarizeStore(path);
            } catch (const StoreError& e) {
                failure = e.text();
            } catch (const std::exception&) {
                failure =
                    QStringLiteral("%1 could not be read.").arg(QDir::toNativeSeparators(path));
            }
        };
        read(backup, s.backup, s.backupFailure);
        read(store, s.log, s.logFailure);
        return s;
    }));
}

dlgRestore::~dlgRestore()
{
    reading_.waitForFinished();
    restoring_.waitForFinished();
}

void dlgRestore::setStage(Stage stage)
{
    stage_ = stage;
    ui->RestoreButton->setEnabled(stage == Stage::Confirm);
    ui->CancelButton->setEnabled(stage == Stage::Reading || stage == Stage::Confirm);
    switch (stage) {
    case Stage::Reading:
        ui->lblStatus->setText(QStringLiteral("Reading the backup..."));
        break;
    case Stage::Confirm:
        ui->lblStatus->setText(QStringLiteral(
            "The log as it is now will be kept beside it as a safety copy. Other Kelmot windows "
            "close while the backup is put in place."));
        break;
    case Stage::Restoring:
        ui->lblStatus->setText(QStringLiteral("Restoring..."));
        break;
    case Stage::Done:
        break;
    }
    emit stageChanged(stage);
}

void dlgRestore::showSummaries()
{
    if (stage_ != Stage::Reading)
        return; // cancelled while reading
    const Summaries s = reading_.result();
    if (!s.backup || s.backup->vehicles == 0)
        hide(); // the message stands on its own, not over a window that is about to close
    if (!s.backup) {
        messages_.show(QStringLiteral("%1 Nothing was changed.").arg(s.backupFailure),
                       QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        setStage(Stage::Done);
        close();
        return;
    }
    if (s.backup->vehicles == 0) {
        messages_.show(
            QStringLiteral("%1 holds no vehicle, so restoring it would leave an empty log. "
                           "Nothing was changed.")
                .arg(QDir::toNativeSeparators(backupPath_)),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        setStage(Stage::Done);
        close();
        return;
    }
    const auto fill = [](const StoreSummary& summary, QLabel* vehicles, QLabel* readings,
                         QLabel* maintenance, QLabel* newest) {
        vehicles->setText(Figure(summary.vehicles));
        readings->setText(Figure(summary.readings));
        maintenance->setText(Figure(summary.maintenanceEntries));
        newest->setText(NewestText(summary.newest));
    };
    fill(*s.backup, ui->lblBackupVehicles, ui->lblBackupReadings, ui->lblBackupMaintenance,
         ui->lblBackupNewest);
    if (s.log) {
        fill(*s.log, ui->lblLogVehicles, ui->lblLogReadings, ui->lblLogMaintenance,
             ui->lblLogNewest);
    } else {
        // The log in use may be busy for a moment; the backup can still replace it.
        for (QLabel* label :
             {ui->lblLogVehicles, ui->lblLogReadings, ui->lblLogMaintenance, ui->lblLogNewest})
            label->setText(QStringLiteral("?"));
        ui->lblLogNewest->setToolTip(s.logFailure);
    }
    setStage(Stage::Confirm);
}

void dlgRestore::RestoreButton_Click()
{
    if (stage_ != Stage::Confirm)
        return;
    steps_.release(); // a window that cannot close yet stops it here, with nothing changed
    setStage(Stage::Restoring);
    restoring_.setFuture(QtConcurrent::run([restore = steps_.restore] {
        Outcome outcome;
        try {
            outcome.safetyCopy = restore();
        } catch (const StoreError& e) {
            outcome.failure = e.text();
        } catch (const std::exception&) {
            outcome.failure = QStringLiteral("The backup could not be restored; nothing was "
                                             "changed.");
        }
        return outcome;
    }));
}

void dlgRestore::finishRestore()
{
    const Outcome outcome = restoring_.result();
    // Kept apart from the dialog, which is on its way out while the log is shown again.
    const auto reopen = steps_.reopen;
    setStage(Stage::Done);
    close();
    Guarded(messages_, [&] { reopen(outcome.safetyCopy, outcome.failure); });
}

void dlgRestore::CancelButton_Click()
{
    close();
}

void dlgRestore::reject()
{
    if (stage_ != Stage::Restoring)
        QDialog::reject();
}

void dlgRestore::closeEvent(QCloseEvent* event)
{
    if (stage_ == Stage::Restoring) {
        event->ignore();
        return;
    }
    if (stage_ == Stage::Reading)
        setStage(Stage::Done); // the summaries that come later are not shown
    QDialog::closeEvent(event);
}
