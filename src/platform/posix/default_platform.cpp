#include "platform/platform.h"
#include "platform/posix/clock_posix.h"
#include "platform/posix/directory_posix.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/folder_picker_posix.h"
#include "platform/posix/global_memory_posix.h"
#include "platform/posix/settings_folder_posix.h"
#include "platform/posix/socket_library_posix.h"
#include "platform/posix/window_system_posix.h"
#include "platform/posix/stand_ins.h"

namespace vantorel::platform {

MemoryRegistry& StandInRegistry() {
    static MemoryRegistry registry;
    return registry;
}

RecordingShell& StandInShell() {
    static RecordingShell shell;
    return shell;
}

PosixEventLoop& StandInLoop() {
    static PosixEventLoop loop;
    return loop;
}

PosixSocketLibrary& StandInSockets() {
    static PosixSocketLibrary sockets(StandInLoop());
    return sockets;
}

Platform MakeDefaultPlatform() {
    static PosixWindowSystem windows(StandInLoop());
    static PosixGlobalMemory memory;
    static PosixDirectoryListing directory;
    static PosixFiles files;
    static PosixClock clock;
    static PosixSettingsFolder settings;
    static PosixFolderPicker folderPicker;
    Platform platform;
    platform.registry = &StandInRegistry();
    platform.shell = &StandInShell();
    platform.directory = &directory;
    platform.files = &files;
    platform.clock = &clock;
    platform.events = &StandInLoop();
    platform.sockets = &StandInSockets();
    platform.windows = &windows;
    platform.memory = &memory;
    platform.settings = &settings;
    platform.folderPicker = &folderPicker;
    return platform;
}

}  // namespace vantorel::platform
