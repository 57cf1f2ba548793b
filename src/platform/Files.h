#pragma once

#include <QString>

// Where the program's files live: the program folder (store, help) and the temporary folder.
class Files
{
public:
    virtual ~Files() = default;
    virtual QString programFolder() const = 0;
    virtual QString tempFolder() const = 0;
};

class QtFiles final : public Files
{
public:
    QString programFolder() const override; // the folder of the executable
    QString tempFolder() const override;    // QDir::tempPath(), which honours TMPDIR
};
