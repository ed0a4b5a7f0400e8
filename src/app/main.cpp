// vantorel.exe: the process starts by loading the launcher window, which opens the stats
// window beside itself, and ends when the launcher's close label is clicked.

#include <windows.h>

#include "platform/event_loop.h"
#include "platform/platform.h"
#include "ui/win32/launcher_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vantorel::ui::LauncherWindow launcher;
    launcher.Load();
    vantorel::platform::Current().events->Run();
    return 0;
}
