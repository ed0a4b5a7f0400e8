#pragma once

#include <functional>
#include <map>

#include "platform/event_loop.h"

namespace vantorel::platform {

// The property under which a top-level window keeps its table of shortcut keys (an HACCEL);
// the loop translates them for it before anything else sees the keys.
inline constexpr const wchar_t* kShortcutsProperty = L"VantorelShortcuts";

// The message loop of the user-interface thread, with thread timers.
class Win32EventLoop : public EventLoop {
  public:
    void DoEvents() override;
    TimerId SetTimer(unsigned intervalMs, std::function<void()> tick) override;
    void KillTimer(TimerId id) override;
    void Run() override;
    void Quit() override;

    void RunOnce(int timeoutMs) override;
    // Through WSAAsyncSelect to a message-only window of the loop's own, made at the first
    // watch: Winsock posts FD_READ there, and again after each receive while data is left.
    bool WatchSocket(std::uintptr_t socket, std::function<void()> ready) override;
    // FD_CONNECT and FD_WRITE as well; Winsock posts FD_WRITE only when room comes back after
    // a send that would have blocked, so `sending` needs no change of what is asked for.
    bool WatchConnection(std::uintptr_t socket, std::function<void()> ready, bool sending) override;
    void UnwatchSocket(std::uintptr_t socket) override;

    void Tick(TimerId id);
    void SocketReady(std::uintptr_t socket);

  private:
    bool MakeWatchWindow();
    bool Watch(std::uintptr_t socket, std::function<void()> ready, long events);

    std::map<TimerId, std::function<void()>> timers_;
    std::map<std::uintptr_t, std::function<void()>> watched_;
    void* watchWindow_ = nullptr;  // HWND
    bool quit_ = false;
};

Win32EventLoop& TheWin32EventLoop();

}  // namespace vantorel::platform
