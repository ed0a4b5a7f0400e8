#include <vector>

#include "net/csocket.h"
#include "net/socket_support.h"
#include "net/socket_support_state.h"
#include "platform/clock.h"
#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/window_system.h"
#include "platform/winsock_numbers.h"

namespace vantorel::MSocketSupport {

using detail::State;

namespace {

void DeliverSocketNotification(std::uintptr_t wParam, std::intptr_t lParam) {
    detail::ModuleState& state = State();
    const auto handle = static_cast<std::int32_t>(wParam);
    const auto draining = state.draining.find(handle);
    if (draining != state.draining.end()) {
        // Queued before the handle's socket was closed: it is not the socket now filed
        // under that number.
        if (lParam == detail::kDrainMarker && --draining->second == 0) {
            state.draining.erase(draining);
        }
        return;
    }
    const std::optional<KeyedCollection>& registry = state.socketRegistry;
    if (!registry || lParam == detail::kDrainMarker) {
        return;
    }
    const auto address = static_cast<ObjectAddress>(registry->Item(SocketKey(handle)));
    const std::shared_ptr<CSocket> object = SocketFromPointer(address);
    if (object) {
        const auto value = static_cast<std::int32_t>(lParam);
        object->PostSocketEvent(LowWord(value), HighWord(value));
    }
}

// The name that a reverse lookup found is stored and offered to every socket object; each
// takes it only if the address is still the one it shows.
void DeliverReverseName(std::int32_t request, std::uint32_t address, std::int32_t error) {
    detail::ModuleState& state = State();
    platform::GlobalMemory& memory = *platform::Current().memory;
    const std::intptr_t buffer = state.resolveBuffers->Item(detail::BufferKey(0, request));
    const auto* bytes = static_cast<const std::uint8_t*>(memory.Lock(buffer));
    std::string name;
    std::uint32_t first = 0;
    constexpr std::size_t kLongestName = 255;  // what DNS allows
    if (error != 0 || bytes == nullptr || !platform::Current().sockets->ReadHostRecord(bytes, &name, &first) ||
        name.size() > kLongestName) {
        name.clear();
    }
    name = AnsiStringAt(name.c_str());
    memory.Unlock(buffer);
    detail::ForgetLookup(request, 0);
    state.reverseNames.Store(address, name, platform::Now());

    std::vector<std::shared_ptr<CSocket>> objects;
    for (const auto& [objectAddress, object] : state.objects) {
        if (std::shared_ptr<CSocket> living = object.lock()) {
            objects.push_back(std::move(living));
        }
    }
    for (const std::shared_ptr<CSocket>& object : objects) {
        object->PostReverseName(address, name);
    }
}

void DeliverLookupCompletion(std::uintptr_t wParam, std::intptr_t lParam) {
    detail::ModuleState& state = State();
    const auto request = static_cast<std::int32_t>(wParam);
    const std::int32_t error = HighWord(static_cast<std::int32_t>(lParam));
    const auto abandoned = state.abandonedBuffers.find(request);
    if (abandoned != state.abandonedBuffers.end()) {
        // A cancelled lookup is done with its buffer only now.
        platform::Current().memory->Free(abandoned->second);
        state.abandonedBuffers.erase(abandoned);
        return;
    }
    if (!state.resolveRequests || !state.resolveBuffers) {
        return;
    }
    const auto reverse = state.reverseRequests.find(request);
    if (reverse != state.reverseRequests.end()) {
        DeliverReverseName(request, reverse->second, error);
        return;
    }
    const auto address = static_cast<ObjectAddress>(state.resolveRequests->Item(RequestKey(request)));

    // However the object's routine ends, this request's buffer and entries are released
    // once, so that nothing of a finished lookup stays behind.
    struct Release {
        std::int32_t request;
        ObjectAddress address;
        ~Release() {
            try {
                detail::ForgetLookup(request, address);
            } catch (const SocketError&) {
            }
        }
    } release{request, address};

    platform::GlobalMemory& memory = *platform::Current().memory;
    const std::intptr_t buffer = state.resolveBuffers->Item(detail::BufferKey(address, request));
    const auto* bytes = static_cast<const std::uint8_t*>(memory.Lock(buffer));
    const std::shared_ptr<CSocket> object = SocketFromPointer(address);
    if (object) {
        std::string name;
        std::uint32_t first = 0;
        // A failure carries its request too, so that only the pending lookup's failure acts.
        if (error != 0) {
            object->PostGetHostEvent(request, 0, name, error);
        } else if (bytes != nullptr && platform::Current().sockets->ReadHostRecord(bytes, &name, &first)) {
            name = AnsiStringAt(name.c_str());
            object->PostGetHostEvent(request, static_cast<std::int32_t>(first), name, 0);
        } else {
            object->PostGetHostEvent(request, 0, name, winsock::kWsaNoData);
        }
    }
    memory.Unlock(buffer);
}

}  // namespace

std::intptr_t NotifyWindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    const detail::ModuleState& state = State();
    // The socket object's events run application code in here; nothing it raises may
    // leave a window procedure.
    try {
        if (message == state.winsockMessage && message != 0) {
            DeliverSocketNotification(wParam, lParam);
            return 0;
        }
        if (message == state.resolveMessage && message != 0) {
            DeliverLookupCompletion(wParam, lParam);
            return 0;
        }
    } catch (...) {
        // Application code runs in here, and it may throw anything.
        return 0;
    }
    return platform::Current().windows->CallPreviousProcedure(state.previousWindowProc, window, message, wParam,
                                                              lParam);
}

}  // namespace vantorel::MSocketSupport
