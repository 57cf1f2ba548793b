#pragma once

#include <QString>

// Opens a file in the desktop's viewer without waiting for it.
class Launcher
{
public:
    virtual ~Launcher() = default;
    // False when no viewer could be started.
    virtual bool open(const QString& path) = 0;
};

class DesktopLauncher final : public Launcher
{
public:
    bool open(const QString& path) override;
};
