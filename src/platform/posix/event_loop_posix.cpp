#include "platform/posix/event_loop_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <thread>
#include <utility>
#include <vector>

namespace vantorel::platform {

PosixEventLoop::PosixEventLoop() : owner_(std::this_thread::get_id()) {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

PosixEventLoop::~PosixEventLoop() {
    if (wakeRead_ >= 0) {
        close(wakeRead_);
        close(wakeWrite_);
    }
}

WindowHandle PosixEventLoop::CreateWindow(WindowProc procedure) {
    // Handles step by 2 like Windows' user handles and are never reused, so a message
    // still queued for a destroyed window cannot reach a new one.
    const WindowHandle window = nextWindow_;
    nextWindow_ += 2;
    windows_[window] = procedure;
    return window;
}

bool PosixEventLoop::DestroyWindow(WindowHandle window) {
    return windows_.erase(window) > 0;
}

bool PosixEventLoop::IsWindow(WindowHandle window) const {
    return windows_.count(window) > 0;
}

WindowProc PosixEventLoop::SetWindowProcedure(WindowHandle window, WindowProc procedure) {
    const auto found = windows_.find(window);
    if (found == windows_.end()) {
        return nullptr;
    }
    return std::exchange(found->second, procedure);
}

bool PosixEventLoop::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Enqueue(Message{window, message, wParam, lParam, {}});
    return true;
}

void PosixEventLoop::PostTask(std::function<void()> task) {
    Enqueue(Message{0, 0, 0, 0, std::move(task)});
}

void PosixEventLoop::Enqueue(Message message) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(std::move(message));
    }
    // The loop's own thread is not waiting in poll() while it posts; only another thread
    // has to wake it.
    if (wakeWrite_ >= 0 && std::this_thread::get_id() != owner_) {
        const char byte = 1;
        // A full pipe already guarantees a wake-up, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = write(wakeWrite_, &byte, 1);
    }
}

std::uint32_t PosixEventLoop::RegisterMessage(const std::string& name) {
    const auto found = messageNames_.find(name);
    if (found != messageNames_.end()) {
        return found->second;
    }
    // Registered messages live in 0xC000..0xFFFF, as on Windows.
    const auto number = static_cast<std::uint32_t>(0xC000 + messageNames_.size());
    messageNames_[name] = number;
    return number;
}

TimerId PosixEventLoop::SetTimer(unsigned intervalMs, std::function<void()> tick) {
    const TimerId id = nextTimer_++;
    const std::chrono::milliseconds interval(std::max(intervalMs, 1u));
    timers_[id] = Timer{interval, Clock::now() + interval, std::move(tick)};
    return id;
}

void PosixEventLoop::KillTimer(TimerId id) {
    timers_.erase(id);
}

void PosixEventLoop::Watch(int fd, short events, ReadyCallback ready) {
    watched_[fd] = Watched{events, std::move(ready)};
}

void PosixEventLoop::Unwatch(int fd) {
    watched_.erase(fd);
}

bool PosixEventLoop::WatchSocket(std::uintptr_t socket, std::function<void()> ready) {
    // poll() reports an error (POLLERR) whether or not it is asked for: it reaches `ready` too.
    Watch(static_cast<int>(socket), POLLIN, [ready = std::move(ready)](short) { ready(); });
    return true;
}

bool PosixEventLoop::WatchConnection(std::uintptr_t socket, std::function<void()> ready, bool sending) {
    // A socket is writable whenever its buffer has room: watched for that only while it has
    // something to send or its connection is being made, or the loop would spin.
    Watch(static_cast<int>(socket), sending ? POLLIN | POLLOUT : POLLIN,
          [ready = std::move(ready)](short) { ready(); });
    return true;
}

void PosixEventLoop::UnwatchSocket(std::uintptr_t socket) {
    Unwatch(static_cast<int>(socket));
}

void PosixEventLoop::DoEvents() {
    // Busy loops yield once per item, thousands of times a second. Sockets are looked at
    // once a millisecond at most, as Winsock posts its notifications at its own pace; what
    // is already queued, and the timers that are due, run every time.
    if (Clock::now() - lastPoll_ >= std::chrono::milliseconds(1)) {
        Cycle(0);
        return;
    }
    DispatchQueued();
    RunDueTimers();
}

void PosixEventLoop::RunOnce(int timeoutMs) {
    Cycle(timeoutMs);
}

void PosixEventLoop::Run() {
    quit_ = false;
    while (!quit_) {
        Cycle(-1);
    }
    quit_ = false;
}

void PosixEventLoop::Quit() {
    quit_ = true;
}

int PosixEventLoop::PollTimeout(int timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!queue_.empty()) {
            return 0;
        }
    }
    if (quit_) {
        return 0;
    }
    long long wait = timeoutMs < 0 ? LLONG_MAX : timeoutMs;
    const auto now = Clock::now();
    for (const auto& [id, timer] : timers_) {
        const auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(timer.due - now).count();
        wait = std::min(wait, std::max(0LL, static_cast<long long>(untilDue)));
    }
    return wait == LLONG_MAX ? -1 : static_cast<int>(std::min<long long>(wait, INT_MAX));
}

void PosixEventLoop::Cycle(int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(watched_.size() + 1);
    if (wakeRead_ >= 0) {
        fds.push_back({wakeRead_, POLLIN, 0});
    }
    for (const auto& [fd, watched] : watched_) {
        fds.push_back({fd, watched.events, 0});
    }
    const int ready = poll(fds.data(), fds.size(), PollTimeout(timeoutMs));
    ++wakeUps_;
    lastPoll_ = Clock::now();
    if (ready > 0) {
        for (const pollfd& entry : fds) {
            if (entry.revents == 0) {
                continue;
            }
            if (entry.fd == wakeRead_) {
                DrainWakePipe();
                continue;
            }
            // A callback may unwatch or rewatch any descriptor, this one included.
            const auto found = watched_.find(entry.fd);
            if (found != watched_.end()) {
                const ReadyCallback callback = found->second.ready;
                callback(entry.revents);
            }
        }
    }
    DispatchQueued();
    RunDueTimers();
}

void PosixEventLoop::DrainWakePipe() {
    char bytes[256];
    while (read(wakeRead_, bytes, sizeof bytes) > 0) {
    }
}

void PosixEventLoop::DispatchQueued() {
    // Only the messages already waiting run now; what their handlers post waits for the
    // next cycle, so a handler that always posts cannot keep DoEvents from returning.
    std::size_t count;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        count = queue_.size();
    }
    for (; count > 0; --count) {
        Message message;
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            if (queue_.empty()) {
                return;
            }
            message = std::move(queue_.front());
            queue_.pop_front();
        }
        if (message.task) {
            message.task();
            continue;
        }
        const auto window = windows_.find(message.window);
        if (window != windows_.end() && window->second != nullptr) {
            window->second(message.window, message.message, message.wParam, message.lParam);
        }
    }
}

void PosixEventLoop::RunDueTimers() {
    const auto now = Clock::now();
    std::vector<TimerId> due;
    for (const auto& [id, timer] : timers_) {
        if (timer.due <= now) {
            due.push_back(id);
        }
    }
    for (const TimerId id : due) {
        const auto found = timers_.find(id);
        if (found == timers_.end()) {
            continue;  // killed by an earlier tick
        }
        found->second.due = Clock::now() + found->second.interval;
        const std::function<void()> tick = found->second.tick;
        tick();
    }
}

}  // namespace vantorel::platform
