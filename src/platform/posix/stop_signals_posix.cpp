#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include "platform/posix/stand_ins.h"
#include "platform/stop_signals.h"

namespace vantorel::platform {
namespace {

int stopPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(stopPipe[1], &byte, 1);
}

}  // namespace

void QuitOnStopSignals() {
    if (pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return;
    }
    StandInLoop().Watch(stopPipe[0], POLLIN, [](short) { StandInLoop().Quit(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace vantorel::platform
