#pragma once

#include <QString>

// Asks the user for a file to read or to write. Tests use a fake that answers at once.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // The chosen existing file; empty when the user cancelled.
    virtual QString openFile(const QString& title, const QString& filter) = 0;
    // The chosen file to write, starting from suggestedName; empty when the user cancelled.
    virtual QString saveFile(const QString& title, const QString& suggestedName,
                             const QString& filter) = 0;
};
