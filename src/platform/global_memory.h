#pragma once

#include <cstddef>
#include <cstdint>

namespace vantorel::platform {

// Fixed global memory for the host-lookup result buffers, shaped like GlobalAlloc and
// friends: handles are numbers, 0 on failure, and locking fixed memory gives its address.
class GlobalMemory {
  public:
    virtual ~GlobalMemory() = default;
    virtual std::intptr_t Alloc(unsigned flags, std::size_t bytes) = 0;
    virtual void* Lock(std::intptr_t handle) = 0;
    virtual bool Unlock(std::intptr_t handle) = 0;
    virtual std::intptr_t Free(std::intptr_t handle) = 0;  // 0 on success
};

}  // namespace vantorel::platform
