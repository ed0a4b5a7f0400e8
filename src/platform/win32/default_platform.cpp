#include "platform/platform.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/directory_win32.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/folder_picker_win32.h"
#include "platform/win32/global_memory_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/settings_folder_win32.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/socket_library_win32.h"
#include "platform/win32/window_system_win32.h"

namespace vantorel::platform {

Platform MakeDefaultPlatform() {
    static Win32Registry registry;
    static Win32Shell shell;
    static Win32DirectoryListing directory;
    static Win32Files files;
    static Win32Clock clock;
    static Win32SocketLibrary sockets;
    static Win32WindowSystem windows;
    static Win32GlobalMemory memory;
    static Win32SettingsFolder settings;
    static Win32FolderPicker folderPicker;
    Platform platform;
    platform.registry = &registry;
    platform.shell = &shell;
    platform.directory = &directory;
    platform.files = &files;
    platform.clock = &clock;
    platform.events = &TheWin32EventLoop();
    platform.sockets = &sockets;
    platform.windows = &windows;
    platform.memory = &memory;
    platform.settings = &settings;
    platform.folderPicker = &folderPicker;
    return platform;
}

}  // namespace vantorel::platform
