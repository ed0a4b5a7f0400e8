#include "platform/win32/event_loop_win32.h"

#include <winsock2.h>
#include <windows.h>

namespace vantorel::platform {
namespace {

void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    TheWin32EventLoop().Tick(static_cast<TimerId>(id));
}

// The message that Winsock posts to the watch window, with the socket in wParam.
constexpr UINT kSocketReady = WM_APP + 0x51;
constexpr const wchar_t* kWatchClass = L"VantorelSocketWatch";

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSocketReady) {
        TheWin32EventLoop().SocketReady(static_cast<std::uintptr_t>(wParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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

// A window's shortcut keys (F5, Ctrl+B), wherever its focus is: the table that the window
// keeps under this property turns them into its commands.
bool TranslatedShortcut(MSG& message) {
    if ((message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) || message.hwnd == nullptr) {
        return false;
    }
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const auto table = root ? static_cast<HACCEL>(GetPropW(root, kShortcutsProperty)) : nullptr;
    return table != nullptr && TranslateAcceleratorW(root, table, &message) != 0;
}

void Dispatch(MSG& message) {
    if (!TranslatedShortcut(message) && !RoutedAsDialogKey(message)) {
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

bool Win32EventLoop::MakeWatchWindow() {
    if (watchWindow_) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WatchProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWatchClass;
    RegisterClassExW(&windowClass);  // a failure here shows as the window's
    watchWindow_ =
        CreateWindowExW(0, kWatchClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    return watchWindow_ != nullptr;
}

bool Win32EventLoop::Watch(std::uintptr_t socket, std::function<void()> ready, long events) {
    if (!MakeWatchWindow() ||
        WSAAsyncSelect(static_cast<SOCKET>(socket), static_cast<HWND>(watchWindow_), kSocketReady, events) != 0) {
        return false;
    }
    watched_[socket] = std::move(ready);
    return true;
}

bool Win32EventLoop::WatchSocket(std::uintptr_t socket, std::function<void()> ready) {
    return Watch(socket, std::move(ready), FD_READ | FD_CLOSE);
}

bool Win32EventLoop::WatchConnection(std::uintptr_t socket, std::function<void()> ready, bool) {
    const auto found = watched_.find(socket);
    if (found != watched_.end()) {
        found->second = std::move(ready);
        return true;
    }
    return Watch(socket, std::move(ready), FD_READ | FD_CLOSE | FD_CONNECT | FD_WRITE);
}

void Win32EventLoop::UnwatchSocket(std::uintptr_t socket) {
    if (watched_.erase(socket) > 0 && watchWindow_) {
        // Notifications already posted find no entry and are dropped; a later socket that
        // gets the same handle is watched afresh.
        WSAAsyncSelect(static_cast<SOCKET>(socket), static_cast<HWND>(watchWindow_), 0, 0);
    }
}

void Win32EventLoop::SocketReady(std::uintptr_t socket) {
    const auto found = watched_.find(socket);
    if (found != watched_.end()) {
        const std::function<void()> ready = found->second;
        ready();
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
