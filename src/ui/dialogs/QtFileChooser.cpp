#include "QtFileChooser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace {
// The dialog belongs to the active window, so it stays in front of it.
QWidget* owner()
{
    return QApplication::activeWindow();
}
} // namespace

QString QtFileChooser::openFile(const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(owner(), title, QDir::homePath(), filter);
}

QString QtFileChooser::saveFile(const QString& title, const QString& suggestedName,
                                const QString& filter)
{
    return QFileDialog::getSaveFileName(owner(), title, QDir::home().filePath(suggestedName),
                                        filter);
}
