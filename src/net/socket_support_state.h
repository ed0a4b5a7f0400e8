#pragma once
// The support service's module state, shared by the files of the service only.

#include <map>
#include <memory>
#include <optional>

#include "net/keyed_collection.h"
#include "net/socket_error.h"
#include "net/socket_support.h"
#include "platform/window_types.h"

namespace vantorel::MSocketSupport::detail {

struct ModuleState {
    platform::WindowHandle notifyWindow = 0;
    std::intptr_t previousWindowProc = 0;
    std::uint32_t winsockMessage = 0;
    std::uint32_t resolveMessage = 0;
    bool winsockStarted = false;
    std::int32_t maxDatagramSize = 0;
    std::optional<KeyedCollection> socketRegistry;
    std::optional<KeyedCollection> resolveRequests;
    std::optional<KeyedCollection> resolveBuffers;
    ErrorInfo currentError;

    std::map<ObjectAddress, std::weak_ptr<CSocket>> objects;
    ObjectAddress nextAddress = 0x00010000;
};

ModuleState& State();

// The key of one lookup's result buffer: the object and the request, so that two lookups
// of one object each keep their own buffer.
std::string BufferKey(ObjectAddress address, std::int32_t request);

// Releases one pending lookup's buffer and entries, dropping the lookup registries when
// none is left.
void ForgetLookup(std::int32_t request, ObjectAddress address);

}  // namespace vantorel::MSocketSupport::detail
