#pragma once
// The native build's stand-ins for the Windows services, one each for the process. Tools
// and tests reach them here to seed the registry, read the recorded game starts, or drive
// the message loop.

#include "platform/memory_registry.h"
#include "platform/posix/message_loop.h"
#include "platform/posix/recording_shell.h"

namespace vantorel::platform {

MemoryRegistry& StandInRegistry();
RecordingShell& StandInShell();
PosixMessageLoop& StandInLoop();

}  // namespace vantorel::platform
