#include "platform/win32/event_loop_win32.h"

#include <windows.h>

namespace vantorel::platform {
namespace {

void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    TheWin32EventLoop().Tick(static_cast<TimerId>(id));
}

// A handler that posts again each time it runs must not keep DoEvents from returning.
constexpr int kMostMessagesPerDoEvents = 10000;

// Keys pressed in a window that is a control parent get the dialog navigation: Tab and
// Shift+Tab move between its controls and Enter presses its default button (IDOK).
bool RoutedAsDialogKey(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || message.hwnd == nullptr) {
        return false;
    }
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    return root != nullptr && (GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0 &&
           IsDialogMessageW(root, &message);
}

void Dispatch(MSG& message) {
    if (!RoutedAsDialogKey(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

Win32EventLoop& TheWin32EventLoop() {
    static Win32EventLoop loop;
    return loop;
}

void Win32EventLoop::DoEvents() {
    MSG message;
    for (int count = 0; count < kMostMessagesPerDoEvents && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++count) {
        if (message.message == WM_QUIT) {
            // Leave it for the loop that owns the thread.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

TimerId Win32EventLoop::SetTimer(unsigned intervalMs, std::function<void()> tick) {
    const UINT_PTR id = ::SetTimer(nullptr, 0, intervalMs, TimerProc);
    if (id != 0) {
        timers_[static_cast<TimerId>(id)] = std::move(tick);
    }
    return static_cast<TimerId>(id);
}

void Win32EventLoop::KillTimer(TimerId id) {
    ::KillTimer(nullptr, id);
    timers_.erase(id);
}

void Win32EventLoop::Tick(TimerId id) {
    const auto found = timers_.find(id);
    if (found != timers_.end()) {
        const std::function<void()> tick = found->second;
        tick();
    }
}

void Win32EventLoop::Run() {
    quit_ = false;
    MSG message;
    while (!quit_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    quit_ = false;
}

void Win32EventLoop::Quit() {
    quit_ = true;
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void Win32EventLoop::RunOnce(int timeoutMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    DoEvents();
}

}  // namespace vantorel::platform
