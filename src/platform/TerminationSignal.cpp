#include "platform/TerminationSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler only writes a byte; the notifier reads it on the
// user-interface thread.
int g_pipe[2] = {-1, -1};

void WriteSignalByte(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_pipe[0], &byte, 1);
}

std::function<void()>& Handler()
{
    static std::function<void()> handler;
    return handler;
}

void Install(void (*action)(int))
{
    struct sigaction sa {};
    sa.sa_handler = action;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

void CreateNotifier()
{
    if (g_pipe[0] >= 0 || socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[16];
        [[maybe_unused]] ssize_t read = ::read(g_pipe[1], bytes, sizeof bytes);
        if (Handler())
            Handler()();
    });
}

}  // namespace

void OnTerminationSignal(std::function<void()> handler)
{
    Handler() = std::move(handler);
    if (!Handler()) {
        Install(SIG_DFL);
        return;
    }
    CreateNotifier();
    Install(WriteSignalByte);
}
