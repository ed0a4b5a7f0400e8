#include "platform/posix/global_memory_posix.h"

#include <cstdlib>

namespace vantorel::platform {

std::intptr_t PosixGlobalMemory::Alloc(unsigned, std::size_t bytes) {
    return reinterpret_cast<std::intptr_t>(std::calloc(1, bytes));
}

void* PosixGlobalMemory::Lock(std::intptr_t handle) {
    return reinterpret_cast<void*>(handle);
}

bool PosixGlobalMemory::Unlock(std::intptr_t) {
    return false;
}

std::intptr_t PosixGlobalMemory::Free(std::intptr_t handle) {
    std::free(reinterpret_cast<void*>(handle));
    return 0;
}

}  // namespace vantorel::platform
