#include "platform/quitsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "platform/messagewindow.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    // Only async-signal-safe work here: the loop picks the byte up.
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

namespace platform {

void InstallProcessSignalHandling() {
    std::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        notifier->setEnabled(false);
        PostQuitMessage(0);
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace platform
