#pragma once
// The native build's stand-ins for the Windows services, one each for the process. Tools
// and tests reach them here to seed the registry, read the recorded game starts, or drive
// the message loop.

#include "platform/memory_registry.h"
#include "platform/posix/event_loop_posix.h"
#include "platform/posix/shell_posix.h"
#include "platform/posix/socket_library_posix.h"

namespace vantorel::platform {

MemoryRegistry& StandInRegistry();
RecordingShell& StandInShell();
PosixEventLoop& StandInLoop();
PosixSocketLibrary& StandInSockets();

}  // namespace vantorel::platform
