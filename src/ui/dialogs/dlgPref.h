#pragma once

#include "SharedState.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class dlgPref;
}

// Preferences: the distance unit, Mile or Kilometre, and whether purchase costs stay out of the
// cost figures. OK stores the chosen word in the settings store, sets DistanceUnit and has the
// main window relabel its captions; Cancel changes nothing.
// A settings store that cannot be opened for writing ends the program after its message.
class dlgPref final : public QDialog
{
    Q_OBJECT

public:
    // relabel rewords the main window's captions; endProgram ends the process at once (tests
    // pass their own).
    dlgPref(SharedState& state, std::function<void()> relabel, QWidget* parent = nullptr,
            std::function<void()> endProgram = EndProgramAtOnce);
    ~dlgPref() override;

    void OKButton_Click();
    void CancelButton_Click();

    // Ends the process without any clean-up or further window events.
    [[noreturn]] static void EndProgramAtOnce();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    SharedState& state_;
    std::function<void()> relabel_;
    std::function<void()> endProgram_;
    std::unique_ptr<Ui::dlgPref> ui;
};
