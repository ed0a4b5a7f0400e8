#include "net/csocket.h"
#include "net/socket_support.h"
#include "net/socket_support_state.h"
#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/window_system.h"
#include "platform/winsock_numbers.h"

namespace vantorel::MSocketSupport {

using detail::State;

namespace {

void DeliverSocketNotification(std::uintptr_t wParam, std::intptr_t lParam) {
    const std::optional<KeyedCollection>& registry = State().socketRegistry;
    if (!registry) {
        return;
    }
    const auto address = static_cast<ObjectAddress>(registry->Item(SocketKey(static_cast<std::int32_t>(wParam))));
    const std::shared_ptr<CSocket> object = SocketFromPointer(address);
    if (object) {
        const auto value = static_cast<std::int32_t>(lParam);
        object->PostSocketEvent(LowWord(value), HighWord(value));
    }
}

void DeliverLookupCompletion(std::uintptr_t wParam, std::intptr_t lParam) {
    detail::ModuleState& state = State();
    if (!state.resolveRequests || !state.resolveBuffers) {
        return;
    }
    const auto request = static_cast<std::int32_t>(wParam);
    const std::int32_t error = HighWord(static_cast<std::int32_t>(lParam));
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
        if (error != 0) {
            object->PostGetHostEvent(0, 0, name, error);
        } else if (bytes != nullptr && platform::Current().sockets->ReadHostRecord(bytes, &name, &first)) {
            name = AnsiStringAt(name.c_str());
            object->PostGetHostEvent(request, static_cast<std::int32_t>(first), name, 0);
        } else {
            object->PostGetHostEvent(0, 0, name, winsock::kWsaNoData);
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
    } catch (const std::exception&) {
        return 0;
    }
    return platform::Current().windows->CallPreviousProcedure(state.previousWindowProc, window, message, wParam,
                                                              lParam);
}

}  // namespace vantorel::MSocketSupport
