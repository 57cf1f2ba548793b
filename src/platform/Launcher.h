#pragma once

#include <QString>
#include <functional>

// Opens a file in the desktop's viewer without waiting for it.
class Launcher
{
public:
    virtual ~Launcher() = default;
    // False when no viewer could be started. failedLater runs, from the event loop, when a viewer
    // was started but then reported that it could not show the file.
    virtual bool open(const QString& path, std::function<void()> failedLater) = 0;
};

// xdg-open on Linux and other X11 desktops, whose exit code tells whether the file was shown;
// QDesktopServices elsewhere, which only says whether it could hand the file on.
class DesktopLauncher final : public Launcher
{
public:
    bool open(const QString& path, std::function<void()> failedLater) override;
};
