#include "platform/win32/global_memory_win32.h"

#include <windows.h>

namespace vantorel::platform {

std::intptr_t Win32GlobalMemory::Alloc(unsigned flags, std::size_t bytes) {
    return reinterpret_cast<std::intptr_t>(GlobalAlloc(flags, bytes));
}

void* Win32GlobalMemory::Lock(std::intptr_t handle) {
    return GlobalLock(reinterpret_cast<HGLOBAL>(handle));
}

bool Win32GlobalMemory::Unlock(std::intptr_t handle) {
    return GlobalUnlock(reinterpret_cast<HGLOBAL>(handle)) != 0;
}

std::intptr_t Win32GlobalMemory::Free(std::intptr_t handle) {
    return reinterpret_cast<std::intptr_t>(GlobalFree(reinterpret_cast<HGLOBAL>(handle)));
}

}  // namespace vantorel::platform
