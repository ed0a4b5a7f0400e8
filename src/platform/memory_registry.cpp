#include "platform/memory_registry.h"

#include <algorithm>

#include "common/text.h"
#include "platform/ansi.h"

namespace vantorel::platform {

std::string MemoryRegistry::KeyName(RegistryKey root, const std::string& subKey) {
    return std::to_string(root) + "\\" + FoldCase(subKey);
}

void MemoryRegistry::SetValue(RegistryKey root, const std::string& subKey, const std::string& valueName,
                              std::uint32_t type, std::vector<std::uint8_t> data) {
    keys_[KeyName(root, subKey)][FoldCase(valueName)] = Value{type, std::move(data)};
}

void MemoryRegistry::SetString(RegistryKey root, const std::string& subKey, const std::string& valueName,
                               const std::string& text) {
    const std::string bytes = Utf8ToAnsi(text);
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    data.push_back(0);
    SetValue(root, subKey, valueName, kRegSz, std::move(data));
}

void MemoryRegistry::Clear() {
    keys_.clear();
    open_.clear();
}

long MemoryRegistry::OpenKey(RegistryKey root, const std::string& subKey, RegistryKey* key) {
    const std::string name = KeyName(root, subKey);
    if (keys_.count(name) == 0) {
        return kRegistryNotFound;
    }
    const RegistryKey handle = nextHandle_++;
    open_[handle] = name;
    *key = handle;
    return kRegistryOk;
}

long MemoryRegistry::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* byteCount) {
    const auto openKey = open_.find(key);
    if (openKey == open_.end()) {
        return 6;  // ERROR_INVALID_HANDLE
    }
    const Values& values = keys_[openKey->second];
    const auto value = values.find(FoldCase(valueName));
    if (value == values.end()) {
        return kRegistryNotFound;
    }
    const auto size = static_cast<std::uint32_t>(value->second.data.size());
    if (type) {
        *type = value->second.type;
    }
    if (data == nullptr) {
        if (byteCount) {
            *byteCount = size;
        }
        return kRegistryOk;
    }
    if (byteCount == nullptr || *byteCount < size) {
        if (byteCount) {
            *byteCount = size;
        }
        return kRegistryMoreData;
    }
    std::copy(value->second.data.begin(), value->second.data.end(), data);
    *byteCount = size;
    return kRegistryOk;
}

void MemoryRegistry::CloseKey(RegistryKey key) {
    open_.erase(key);
}

}  // namespace vantorel::platform
