#pragma once

#include <QPushButton>

// A push button whose caption wraps onto more lines when the button is too narrow for it, as
// the narrow confirm buttons of the main window need. text() stays the caption as given.
class WrappingButton final : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
