#include "WindowSupport.h"

#include "Artwork.h"
#include "Messages.h"
#include "StoreError.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <limits>

QWidget* ShowOnce(QPointer<QWidget>& slot, const std::function<QWidget*()>& make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

QIcon ProgramIcon()
{
    // Drawn once: the gauge is painted at full size and scaled down.
    static const QIcon icon(QPixmap::fromImage(GaugeIcon()));
    return icon;
}

void ShowTextsLiterally(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    for (QLineEdit* box : window->findChildren<QLineEdit*>())
        box->setMaxLength(std::numeric_limits<int>::max());
}

void ApplyDialogFrame(QWidget* dialog, int leftTwips, int topTwips)
{
    ShowTextsLiterally(dialog);
    dialog->setWindowIcon(ProgramIcon());
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(dialog->size());
    QPoint at(TwipsToPixels(leftTwips), TwipsToPixels(topTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        at += screen->geometry().topLeft();
    dialog->move(at);
}

void Guarded(Messages& messages, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const StoreError& e) {
        messages.show(e.text(), QStringLiteral("Kelmot"), Messages::Icon::Critical);
    } catch (const std::exception& e) {
        messages.show(QString::fromUtf8(e.what()), QStringLiteral("Kelmot"),
                      Messages::Icon::Critical);
    }
}
