#pragma once

#include <QDialog>
#include <functional>
#include <memory>

struct MergePreview;
struct SharedState;

namespace Ui {
class dlgRenameVehicle;
}

// "Rename Vehicle": files every entry of a vehicle under a new registration. A registration that
// already exists asks whether to merge the two vehicles' records, telling first what the merge
// moves and keeps aside, and warning when both have readings over more than a year. renamed
// gets the registration the records are now filed under.
class dlgRenameVehicle final : public QDialog
{
    Q_OBJECT

public:
    using Renamed = std::function<void(const QString&)>;
    dlgRenameVehicle(SharedState& state, const QString& registration, Renamed renamed,
                     QWidget* parent = nullptr);
    ~dlgRenameVehicle() override;

    void OKButton_Click();
    void CancelButton_Click();

private:
    void rename();
    QString mergeQuestion(const QString& into, const MergePreview& preview) const;

    SharedState& state_;
    QString registration_;
    Renamed renamed_;
    std::unique_ptr<Ui::dlgRenameVehicle> ui;
};
