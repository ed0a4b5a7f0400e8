#pragma once

#include "platform/registry.h"

namespace vantorel::platform {

class Win32Registry : public Registry {
  public:
    long OpenKey(RegistryKey root, const std::string& subKey, RegistryKey* key) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* byteCount) override;
    void CloseKey(RegistryKey key) override;
};

}  // namespace vantorel::platform
