#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace vondrel::platform {

namespace {
int g_pipe[2] = {-1, -1};

// Only async-signal-safe calls here.
extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to end; losing this one is fine.
    [[maybe_unused]] ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = saved;
}
}  // namespace

int CatchTerminationSignals() {
    if (g_pipe[0] >= 0) return g_pipe[0];
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return g_pipe[0];
}

int ReadTerminationSignal(int fd) {
    unsigned char number = 0;
    return ::read(fd, &number, 1) == 1 ? number : 0;
}

}  // namespace vondrel::platform
