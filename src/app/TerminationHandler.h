#pragma once

#include <QObject>

class QSocketNotifier;

// When the desktop session or a terminal asks the program to end (SIGTERM, SIGINT, SIGHUP), the
// open windows are closed as if the user had closed them, so the store is closed cleanly.
class TerminationHandler final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationHandler(QObject* parent = nullptr);
    ~TerminationHandler() override;

    // True once a request to end arrived; start-up checks it after the main window appears,
    // since a request during start-up can only close the windows that were up then.
    bool requested() const { return requested_; }

private:
    void handle();

    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};
