#include "net/socket_support.h"
#include "net/socket_support_state.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/global_memory.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/winsock_numbers.h"

namespace vantorel::MSocketSupport {

using detail::State;

namespace {

platform::GlobalMemory& Memory() {
    return *platform::Current().memory;
}

// A fixed result buffer and its address; the handle is 0 when none could be had.
struct LookupBuffer {
    std::intptr_t handle = 0;
    std::uint8_t* bytes = nullptr;
};

LookupBuffer AllocateBuffer() {
    platform::GlobalMemory& memory = Memory();
    const std::intptr_t buffer = memory.Alloc(0, winsock::kMaxGetHostStruct);
    if (buffer <= 0) {
        return {};
    }
    auto* bytes = static_cast<std::uint8_t*>(memory.Lock(buffer));
    if (bytes == nullptr) {
        memory.Free(buffer);
        return {};
    }
    // Fixed memory does not move: the address stays valid after the unlock.
    memory.Unlock(buffer);
    return {buffer, bytes};
}

// Files a started lookup. A request number that a cancelled lookup still holds is being
// reused; that buffer can no longer be told apart from the new one's and waits for the
// clean-up.
void FileLookup(std::int32_t request, ObjectAddress address, std::intptr_t buffer) {
    detail::ModuleState& state = State();
    const auto abandoned = state.abandonedBuffers.find(request);
    if (abandoned != state.abandonedBuffers.end()) {
        state.buffersUntilCleanup.push_back(abandoned->second);
        state.abandonedBuffers.erase(abandoned);
    }
    if (!state.resolveRequests) {
        state.resolveBuffers.emplace();
        state.resolveRequests.emplace();
    }
    state.resolveRequests->Add(RequestKey(request), address);
    state.resolveBuffers->Add(detail::BufferKey(address, request), buffer);
}

// Takes one lookup's entries out of the registries and answers its buffer (0 if none).
std::intptr_t Unfile(std::int32_t request, ObjectAddress address) {
    detail::ModuleState& state = State();
    state.reverseRequests.erase(request);
    if (!state.resolveRequests) {
        return 0;
    }
    const std::string bufferKey = detail::BufferKey(address, request);
    std::intptr_t buffer = 0;
    if (state.resolveBuffers && state.resolveBuffers->Contains(bufferKey)) {
        buffer = state.resolveBuffers->Item(bufferKey);
    }
    RemoveResolveBuffer(bufferKey);
    if (state.resolveRequests->Contains(RequestKey(request))) {
        state.resolveRequests->Remove(RequestKey(request));
    }
    if (state.resolveRequests->Count() == 0) {
        state.resolveBuffers.reset();
        state.resolveRequests.reset();
    }
    return buffer;
}

}  // namespace

namespace detail {

std::string BufferKey(ObjectAddress address, std::int32_t request) {
    return ObjectKey(address) + RequestKey(request);
}

void ForgetLookup(std::int32_t request, ObjectAddress address) {
    const std::intptr_t buffer = Unfile(request, address);
    if (buffer != 0) {
        Memory().Free(buffer);
    }
}

void AbandonLookup(std::int32_t request, ObjectAddress address) {
    platform::Current().sockets->CancelAsyncRequest(request);
    const std::intptr_t buffer = Unfile(request, address);
    if (buffer != 0) {
        State().abandonedBuffers[request] = buffer;
    }
}

void FreeAbandonedBuffers() {
    ModuleState& state = State();
    for (const auto& [request, buffer] : state.abandonedBuffers) {
        Memory().Free(buffer);
    }
    for (const std::intptr_t buffer : state.buffersUntilCleanup) {
        Memory().Free(buffer);
    }
    state.abandonedBuffers.clear();
    state.buffersUntilCleanup.clear();
}

}  // namespace detail

std::int32_t ResolveHost(const std::string& hostName, ObjectAddress address) {
    detail::ModuleState& state = State();
    state.currentError = {};  // a failure below that records nothing leaves no stale error
    const LookupBuffer buffer = AllocateBuffer();
    if (buffer.handle == 0) {
        return 0;
    }
    platform::SocketLibrary& sockets = *platform::Current().sockets;
    const std::int32_t request =
        sockets.AsyncGetHostByName(state.notifyWindow, state.resolveMessage, platform::Utf8ToAnsi(hostName),
                                   buffer.bytes, winsock::kMaxGetHostStruct);
    if (request != 0) {
        FileLookup(request, address, buffer.handle);
        return request;
    }
    Memory().Free(buffer.handle);
    const int error = sockets.LastError();
    state.currentError = ErrorInfo{error, SocketErrorText(error), "MSocketSupport.ResolveHost"};
    return 0;
}

bool ReverseName(std::uint32_t address, std::string* name) {
    detail::ModuleState& state = State();
    if (const std::string* known = state.reverseNames.Find(address, platform::Now())) {
        *name = *known;
        return !known->empty();
    }
    if (state.notifyWindow == 0 || state.reverseRequests.size() >= detail::kMaxReverseLookups) {
        return false;
    }
    for (const auto& [request, pending] : state.reverseRequests) {
        if (pending == address) {
            return false;
        }
    }
    const LookupBuffer buffer = AllocateBuffer();
    if (buffer.handle == 0) {
        return false;
    }
    const std::int32_t request = platform::Current().sockets->AsyncGetHostByAddr(
        state.notifyWindow, state.resolveMessage, address, buffer.bytes, winsock::kMaxGetHostStruct);
    if (request == 0) {
        Memory().Free(buffer.handle);
        return false;
    }
    // Filed under no object: the name is for whichever objects last heard from the address.
    FileLookup(request, 0, buffer.handle);
    state.reverseRequests[request] = address;
    return false;
}

std::size_t PendingReverseLookups() {
    return State().reverseRequests.size();
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
            detail::AbandonLookup(std::stoi(key.substr(1)), address);
        }
    }
}

}  // namespace vantorel::MSocketSupport
