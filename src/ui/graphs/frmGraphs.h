#pragma once

#include "StoreRows.h"
#include "TrendSeries.h"

#include <QWidget>
#include <memory>
#include <utility>

struct SharedState;

namespace Ui {
class frmGraphs;
}

// The Graphs window: economy per fill, price per litre or cost per month of the vehicle shown in
// the main window, over any period of its history. Resizable, modeless, at most one.
class frmGraphs final : public QWidget
{
    Q_OBJECT

public:
    explicit frmGraphs(SharedState& state, QWidget* parent = nullptr);
    ~frmGraphs() override;

    // Shows the vehicle's entries; they are read again only when another vehicle is asked for or
    // the log has changed. Another vehicle starts with its whole history as the period.
    void ShowVehicle(const QString& registration);
    QString registration() const { return registration_; }
    // The series drawn now.
    const TrendSeries& shownSeries() const;

    void cmdWholeHistory_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void redraw();

    SharedState& state_;
    std::unique_ptr<Ui::frmGraphs> ui;
    QString registration_;
    std::pair<qint64, qint64> loadedStamp_{-1, -1};
    QVector<MileageRow> readings_;
    QVector<MaintenanceRow> maintenance_;
};
