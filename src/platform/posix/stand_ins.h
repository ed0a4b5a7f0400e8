#pragma once
// The native build's stand-ins for the Windows services, one each for the process. Tools
// and tests reach them here to seed the registry, read the recorded game starts, or drive
// the message loop.

#include "platform/memory_registry.h"
#include "platform/posix/message_loop.h"
#include "platform/posix/recording_shell.h"
#include "platform/posix/socket_library_posix.h"

namespace vantorel::platform {

MemoryRegistry& StandInRegistry();
RecordingShell& StandInShell();
PosixMessageLoop& StandInLoop();
PosixSocketLibrary& StandInSockets();

}  // namespace vantorel::platform
