#pragma once

#include "platform/global_memory.h"

namespace vantorel::platform {

// Global memory as plain heap blocks; the handle is the block's address.
class PosixGlobalMemory : public GlobalMemory {
  public:
    std::intptr_t Alloc(unsigned flags, std::size_t bytes) override;
    void* Lock(std::intptr_t handle) override;
    bool Unlock(std::intptr_t handle) override;
    std::intptr_t Free(std::intptr_t handle) override;
};

}  // namespace vantorel::platform
