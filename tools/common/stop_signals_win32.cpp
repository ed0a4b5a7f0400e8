#include <windows.h>

#include "stop_signals.h"

namespace vantorel::tools {
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

}  // namespace vantorel::tools
