#include "TerminationHandler.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int wakeFds[2] = {-1, -1};

// Only async-signal-safe work here: the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}
} // namespace

TerminationHandler::TerminationHandler(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeFds) != 0)
        return;
    notifier_ = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationHandler::handle);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

TerminationHandler::~TerminationHandler()
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
    for (int& fd : wakeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationHandler::handle()
{
    char byte;
    [[maybe_unused]] const ssize_t got = ::read(wakeFds[1], &byte, 1);
    requested_ = true;
    // Closes the visible windows only: during start-up that is the first-run dialog (whose
    // close ends the program) or the splash; the main window closes once it has appeared.
    QApplication::closeAllWindows();
}
