#pragma once
// The native stand-in for the user-interface thread's message queue. It waits in poll() on
// the watched sockets, a wake-up pipe and the next due timer, and dispatches posted messages
// to the procedures of its stand-in windows. Only Post may be called from another thread.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/event_loop.h"
#include "platform/window_types.h"

namespace vantorel::platform {

class PosixEventLoop : public EventLoop {
  public:
    PosixEventLoop();
    ~PosixEventLoop() override;
    PosixEventLoop(const PosixEventLoop&) = delete;
    PosixEventLoop& operator=(const PosixEventLoop&) = delete;

    // EventLoop
    void DoEvents() override;
    TimerId SetTimer(unsigned intervalMs, std::function<void()> tick) override;
    void KillTimer(TimerId id) override;
    void Run() override;
    void Quit() override;

    void RunOnce(int timeoutMs) override;
    bool WatchSocket(std::uintptr_t socket, std::function<void()> ready) override;
    bool WatchConnection(std::uintptr_t socket, std::function<void()> ready, bool sending) override;
    void UnwatchSocket(std::uintptr_t socket) override;

    // Windows: a window has a procedure, which may be replaced (subclassing). A window made
    // without one answers every message with 0, as a bare "STATIC" window does here.
    WindowHandle CreateWindow(WindowProc procedure);
    bool DestroyWindow(WindowHandle window);
    bool IsWindow(WindowHandle window) const;
    // Answers the previous procedure, or nullptr for an unknown window.
    WindowProc SetWindowProcedure(WindowHandle window, WindowProc procedure);
    bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Runs `task` on the loop's thread in turn with the posted messages.
    void PostTask(std::function<void()> task);
    // The same number for the same name for as long as the process runs.
    std::uint32_t RegisterMessage(const std::string& name);

    // Readiness of file descriptors: `ready` runs on the loop's thread with poll's revents.
    using ReadyCallback = std::function<void(short revents)>;
    void Watch(int fd, short events, ReadyCallback ready);
    void Unwatch(int fd);

    // How often the loop has come back from poll(): an idle loop does not come back.
    std::uint64_t WakeUps() const { return wakeUps_; }

  private:
    using Clock = std::chrono::steady_clock;

    struct Message {
        WindowHandle window = 0;
        std::uint32_t message = 0;
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
        std::function<void()> task;  // set for a posted task instead of a window message
    };
    void Enqueue(Message message);
    struct Timer {
        std::chrono::milliseconds interval;
        Clock::time_point due;
        std::function<void()> tick;
    };
    struct Watched {
        short events;
        ReadyCallback ready;
    };

    void Cycle(int timeoutMs);
    int PollTimeout(int timeoutMs);
    void DispatchQueued();
    void RunDueTimers();
    void DrainWakePipe();

    std::thread::id owner_;  // the thread that runs the loop
    int wakeRead_ = -1;
    int wakeWrite_ = -1;

    std::mutex queueMutex_;
    std::deque<Message> queue_;

    std::map<WindowHandle, WindowProc> windows_;
    WindowHandle nextWindow_ = 0x10010;
    std::map<std::string, std::uint32_t> messageNames_;
    std::map<TimerId, Timer> timers_;
    TimerId nextTimer_ = 1;
    std::map<int, Watched> watched_;

    bool quit_ = false;
    std::uint64_t wakeUps_ = 0;
    Clock::time_point lastPoll_{};
};

}  // namespace vantorel::platform
