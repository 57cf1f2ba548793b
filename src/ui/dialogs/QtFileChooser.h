#pragma once

#include "FileChooser.h"

// File choices in the desktop's own file dialog.
class QtFileChooser final : public FileChooser
{
public:
    QString openFile(const QString& title, const QString& filter) override;
    QString saveFile(const QString& title, const QString& suggestedName,
                     const QString& filter) override;
};
