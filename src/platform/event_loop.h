#pragma once

#include <cstdint>
#include <functional>

namespace vantorel::platform {

using TimerId = std::uint32_t;

// The user-interface thread's message loop.
class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // Lets the messages that are already waiting run, then returns; never waits.
    virtual void DoEvents() = 0;

    // A repeating timer on this thread; answers 0 when none could be made.
    virtual TimerId SetTimer(unsigned intervalMs, std::function<void()> tick) = 0;
    virtual void KillTimer(TimerId id) = 0;

    // Waits at most `timeoutMs` (-1: without limit) until something is due, and runs it.
    virtual void RunOnce(int timeoutMs) = 0;

    // Runs messages, sleeping while there are none, until Quit is called.
    virtual void Run() = 0;
    virtual void Quit() = 0;

    // Runs `ready` on this thread whenever `socket` (a file descriptor natively, a SOCKET on
    // Windows) may have something to read or an error to report, so that no one has to look
    // at it on a timer. The socket is unwatched before it is closed. False when this loop
    // cannot watch sockets.
    virtual bool WatchSocket(std::uintptr_t socket, std::function<void()> ready) {
        (void)socket;
        (void)ready;
        return false;
    }
    // As WatchSocket, for a TCP connection's socket: `ready` runs also once the connection is
    // made or has failed, and, while `sending`, whenever there is room to send. Called again
    // for the same socket, it changes what is watched for.
    virtual bool WatchConnection(std::uintptr_t socket, std::function<void()> ready, bool sending) {
        (void)socket;
        (void)ready;
        (void)sending;
        return false;
    }
    virtual void UnwatchSocket(std::uintptr_t socket) { (void)socket; }
};

}  // namespace vantorel::platform
