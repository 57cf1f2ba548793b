#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class Messages;
class QIcon;

// The program's icon, the small gauge, for every window that shows one.
QIcon ProgramIcon();

// Layouts are given in twips; 15 twips make a pixel at 96 dots per inch.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

// Shows the window held in slot, making it with make() when there is none. An open window is
// brought to the front unchanged; a closed one is deleted, so the next opening loads afresh.
QWidget* ShowOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make);

// The dialog frame: the program's icon, title and close box only, fixed size, no task bar entry of
// its own (it is owned by the main window), placed at a fixed position on the screen given in
// twips.
void ApplyDialogFrame(QWidget* dialog, int leftTwips, int topTwips);

// Every label of the window shows its text literally, never guessed as markup (a registration
// "<b>B1</b>" reads as typed), and every single-line box holds the whole of a long text rather
// than silently cutting it at 32,767 characters. Each window calls it once its form is set up.
void ShowTextsLiterally(QWidget* window);

// An event handler boundary: a failure that the handler does not deal with itself is shown in
// a box titled "Kelmot" with the failure's text, and the program goes on.
void Guarded(Messages& messages, const std::function<void()>& handler);
