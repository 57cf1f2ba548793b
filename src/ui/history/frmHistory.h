#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>

struct SharedState;
class HistoryTableModel;
class MaintenanceModel;
class QTableView;
class ReadingsModel;
class RemovedModel;

namespace Ui {
class frmHistory;
}

// The History window: every reading, maintenance entry and removed entry of the vehicle shown in
// the main window, newest first, with the commands that mend them. Resizable, modeless, at most
// one. After every change it tells its owner, with the registration the vehicle now has.
class frmHistory final : public QWidget
{
    Q_OBJECT

public:
    using Changed = std::function<void(const QString& registration)>;
    frmHistory(SharedState& state, Changed changed, QWidget* parent = nullptr);
    ~frmHistory() override;

    // Shows the vehicle's history; the tables are read again only when another vehicle is asked
    // for or the log has changed since they were read.
    void ShowVehicle(const QString& registration);
    QString registration() const { return registration_; }

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdRemove_Click();
    void cmdPutBack_Click();
    void cmdClose_Click();
    // The selected rows of the shown table with their header, as tab-separated text.
    void CopySelection();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void load();
    void tabHistory_Change();
    void cmbCategoryFilter_Change();
    QTableView* shownTable() const;
    // The load position of the current row's entry in the shown table; -1 for none.
    qsizetype currentEntry() const;
    void changedLog();
    void removeReading(qsizetype entry);
    void removeMaintenance(qsizetype entry);

    SharedState& state_;
    Changed changed_;
    QString registration_;
    QString loadedRegistration_;
    std::pair<qint64, qint64> loadedStamp_{-1, -1};
    bool columnsFitted_[3] = {false, false, false};
    std::unique_ptr<Ui::frmHistory> ui;
    ReadingsModel* readings_;
    MaintenanceModel* maintenance_;
    RemovedModel* removed_;
    QPointer<QWidget> editor_;
};
