#pragma once

#include <QString>

// Where the program's files live: the program folder (store, help), the temporary folder, and a
// folder of the user's own for when something not theirs is in the way in the temporary folder.
class Files
{
public:
    virtual ~Files() = default;
    virtual QString programFolder() const = 0;
    virtual QString tempFolder() const = 0;
    virtual QString privateFolder() const = 0;
};

class QtFiles final : public Files
{
public:
    QString programFolder() const override; // the folder of the executable
    // QDir::tempPath(), which honours TMPDIR; the system's own when TMPDIR names no folder.
    QString tempFolder() const override;
    QString privateFolder() const override; // the user's cache folder for the program
};
