#include "platform/platform.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/directory_win32.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/shell_win32.h"

namespace vantorel::platform {

Platform MakeDefaultPlatform() {
    static Win32Registry registry;
    static Win32Shell shell;
    static Win32DirectoryListing directory;
    static Win32Files files;
    static Win32Clock clock;
    Platform platform;
    platform.registry = &registry;
    platform.shell = &shell;
    platform.directory = &directory;
    platform.files = &files;
    platform.clock = &clock;
    platform.events = &TheWin32EventLoop();
    return platform;
}

}  // namespace vantorel::platform
