#pragma once

#include <cstdint>
#include <string>

namespace vantorel::platform {

using RegistryKey = std::uintptr_t;

inline constexpr RegistryKey kLocalMachine = 0x80000002;

// Value types as the registry numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

inline constexpr long kRegistryOk = 0;
inline constexpr long kRegistryNotFound = 2;
inline constexpr long kRegistryMoreData = 234;

// Read access to the registry, shaped like RegOpenKey, RegQueryValueEx and RegCloseKey.
// Names are UTF-8; value data are the stored bytes (8-bit text for REG_SZ).
class Registry {
  public:
    virtual ~Registry() = default;

    // Opens a key for reading in the 32-bit view, where the 32-bit game's installer wrote
    // it. Answers 0 on success; on failure `key` is left 0.
    virtual long OpenKey(RegistryKey root, const std::string& subKey, RegistryKey* key) = 0;

    // With `data` null, reports only the type and the size in bytes. Otherwise copies at
    // most *byteCount bytes and sets *byteCount to the size stored. Answers 0 on success.
    virtual long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* byteCount) = 0;

    virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace vantorel::platform
