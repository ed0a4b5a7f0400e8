#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vantorel::platform {

// Keys and values held in memory, names compared without regard to case: the native
// stand-in for the registry, and the tests' fake on both targets.
class MemoryRegistry : public Registry {
  public:
    void SetValue(RegistryKey root, const std::string& subKey, const std::string& valueName, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    void SetString(RegistryKey root, const std::string& subKey, const std::string& valueName, const std::string& text);
    void Clear();

    long OpenKey(RegistryKey root, const std::string& subKey, RegistryKey* key) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* byteCount) override;
    void CloseKey(RegistryKey key) override;

  private:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    using Values = std::map<std::string, Value>;

    static std::string KeyName(RegistryKey root, const std::string& subKey);

    std::map<std::string, Values> keys_;
    std::map<RegistryKey, std::string> open_;
    RegistryKey nextHandle_ = 0x100;
};

}  // namespace vantorel::platform
