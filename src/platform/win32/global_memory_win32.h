#pragma once

#include "platform/global_memory.h"

namespace vantorel::platform {

// The fixed global memory of kernel32.
class Win32GlobalMemory : public GlobalMemory {
  public:
    std::intptr_t Alloc(unsigned flags, std::size_t bytes) override;
    void* Lock(std::intptr_t handle) override;
    bool Unlock(std::intptr_t handle) override;
    std::intptr_t Free(std::intptr_t handle) override;
};

}  // namespace vantorel::platform
