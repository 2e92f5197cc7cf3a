#include "app/quit_signal_watcher.h"

#include "platform/base/log.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

std::array<int, 2> g_pipe{-1, -1};

void writeSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    errno = savedErrno;
}

}  // namespace

TDQuitSignalWatcher::TDQuitSignalWatcher(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe.data()) != 0) {
        logWithLevel(TDLogError, "ERROR", "Could not watch for quit signals (errno %ld)",
                     static_cast<long>(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TDQuitSignalWatcher::p_readSignal);
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TDQuitSignalWatcher::~TDQuitSignalWatcher() {
    if (!m_notifier) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe = {-1, -1};
}

void TDQuitSignalWatcher::p_readSignal() {
    char byte = 0;
    bool received = false;
    while (::read(g_pipe[1], &byte, 1) == 1) received = true;
    if (!received) return;
    logWithLevel(TDLogInfo, "INFO", "Received signal %ld; quitting", static_cast<long>(byte));
    Q_EMIT quitRequested();
}
