#pragma once

#include "SharedState.h"

#include <QMainWindow>

// The program's main window.
class frmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(SharedState& state, QWidget* parent = nullptr);

    // The load steps, run by start-up before the window is shown.
    void Form_Load();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();

    SharedState& state_;
};
