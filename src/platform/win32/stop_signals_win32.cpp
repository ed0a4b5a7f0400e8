#include <windows.h>

#include "platform/stop_signals.h"

namespace vantorel::platform {
namespace {

DWORD mainThread = 0;

BOOL WINAPI OnConsoleEvent(DWORD) {
    // Runs on a thread of its own: the loop learns of it through its message queue.
    PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
    return TRUE;
}

}  // namespace

void QuitOnStopSignals() {
    mainThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace vantorel::platform
