#include "net/socket_support.h"
#include "net/socket_support_state.h"
#include "platform/ansi.h"
#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/winsock_numbers.h"

namespace vantorel::MSocketSupport {

using detail::State;

namespace detail {

std::string BufferKey(ObjectAddress address, std::int32_t request) {
    return ObjectKey(address) + RequestKey(request);
}

void ForgetLookup(std::int32_t request, ObjectAddress address) {
    ModuleState& state = State();
    if (!state.resolveRequests) {
        return;
    }
    const std::string bufferKey = BufferKey(address, request);
    if (state.resolveBuffers && state.resolveBuffers->Contains(bufferKey)) {
        platform::Current().memory->Free(state.resolveBuffers->Item(bufferKey));
    }
    RemoveResolveBuffer(bufferKey);
    if (state.resolveRequests->Contains(RequestKey(request))) {
        state.resolveRequests->Remove(RequestKey(request));
    }
    if (state.resolveRequests->Count() == 0) {
        state.resolveBuffers.reset();
        state.resolveRequests.reset();
    }
}

}  // namespace detail

std::int32_t ResolveHost(const std::string& hostName, ObjectAddress address) {
    detail::ModuleState& state = State();
    state.currentError = {};  // a failure below that records nothing leaves no stale error
    platform::GlobalMemory& memory = *platform::Current().memory;
    const std::intptr_t buffer = memory.Alloc(0, winsock::kMaxGetHostStruct);
    if (buffer <= 0) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(memory.Lock(buffer));
    if (bytes == nullptr) {
        memory.Free(buffer);
        return 0;
    }
    // Fixed memory does not move: the address stays valid after the unlock.
    memory.Unlock(buffer);
    if (!state.resolveRequests) {
        state.resolveBuffers.emplace();
        state.resolveRequests.emplace();
    }
    platform::SocketLibrary& sockets = *platform::Current().sockets;
    const std::int32_t request = sockets.AsyncGetHostByName(
        state.notifyWindow, state.resolveMessage, platform::Utf8ToAnsi(hostName), bytes, winsock::kMaxGetHostStruct);
    if (request != 0) {
        state.resolveRequests->Add(RequestKey(request), address);
        state.resolveBuffers->Add(detail::BufferKey(address, request), buffer);
        return request;
    }
    memory.Free(buffer);
    if (state.resolveRequests->Count() == 0) {
        state.resolveBuffers.reset();
        state.resolveRequests.reset();
    }
    const int error = sockets.LastError();
    state.currentError = ErrorInfo{error, SocketErrorText(error), "MSocketSupport.ResolveHost"};
    return 0;
}

void RemoveResolveBuffer(const std::string& key) {
    std::optional<KeyedCollection>& buffers = State().resolveBuffers;
    if (buffers && buffers->Contains(key)) {
        buffers->Remove(key);
    }
}

void WithdrawLookups(ObjectAddress address) {
    detail::ModuleState& state = State();
    if (!state.resolveRequests) {
        return;
    }
    const std::map<std::string, std::intptr_t> pending = state.resolveRequests->Items();
    for (const auto& [key, object] : pending) {
        if (static_cast<ObjectAddress>(object) == address) {
            const std::int32_t request = std::stoi(key.substr(1));
            platform::Current().sockets->CancelAsyncRequest(request);
            detail::ForgetLookup(request, address);
        }
    }
}

}  // namespace vantorel::MSocketSupport
