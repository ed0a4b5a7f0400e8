#include "fakes/fake_sockets.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/winsock_numbers.h"

namespace vantorel::testing {
namespace {

// The fake's own lookup record: a name and one address.
struct FakeRecord {
    char name[256];
    std::uint32_t address;
    std::uint32_t valid;
};

}  // namespace

std::uint32_t Dotted(const std::string& text) {
    std::uint32_t parts[4] = {};
    int count = 0;
    const char* at = text.c_str();
    while (true) {
        if (count == 4 || !std::isdigit(static_cast<unsigned char>(*at))) {
            return winsock::kInaddrNone;
        }
        int base = 10;
        if (at[0] == '0' && (at[1] == 'x' || at[1] == 'X')) {
            base = 16;
            at += 2;
        } else if (at[0] == '0') {
            base = 8;
        }
        std::uint64_t value = 0;
        const char* start = at;
        while (std::isxdigit(static_cast<unsigned char>(*at))) {
            const int digit = std::isdigit(static_cast<unsigned char>(*at))
                                  ? *at - '0'
                                  : std::tolower(static_cast<unsigned char>(*at)) - 'a' + 10;
            if (digit >= base) {
                return winsock::kInaddrNone;
            }
            value = value * base + digit;
            if (value > 0xFFFFFFFFu) {
                return winsock::kInaddrNone;
            }
            ++at;
        }
        if (at == start && base == 16) {
            return winsock::kInaddrNone;
        }
        parts[count++] = static_cast<std::uint32_t>(value);
        if (*at == '\0') {
            break;
        }
        if (*at++ != '.') {
            return winsock::kInaddrNone;
        }
    }
    // Every part but the last is one byte; the last fills the rest.
    std::uint32_t host = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 255) {
            return winsock::kInaddrNone;
        }
        host |= parts[i] << (24 - 8 * i);
    }
    const std::uint32_t lastMaximum = count == 1 ? 0xFFFFFFFFu : (1u << (8 * (5 - count))) - 1;
    if (parts[count - 1] > lastMaximum) {
        return winsock::kInaddrNone;
    }
    host |= parts[count - 1];
    // Network order: the first byte lowest in memory.
    return ((host & 0xFF) << 24) | ((host & 0xFF00) << 8) | ((host >> 8) & 0xFF00) | (host >> 24);
}

int FakeSocketLibrary::Fail(int error) {
    lastError_ = error;
    return winsock::kSocketError;
}

void FakeSocketLibrary::FillLookup(std::int32_t request, const std::string& officialName, std::uint32_t address) {
    FakeRecord record{};
    std::strncpy(record.name, officialName.c_str(), sizeof record.name - 1);
    record.address = address;
    record.valid = 1;
    std::memcpy(lookups.at(request).buffer, &record, sizeof record);
}

int FakeSocketLibrary::Startup(std::uint16_t, platform::WsaData* data) {
    ++startups;
    if (startupResult == 0) {
        data->maxUdpDatagram = maxUdpDatagram;
    }
    return startupResult;
}

int FakeSocketLibrary::Cleanup() {
    if (cleanups == startups) {
        return Fail(winsock::kWsaNotinitialised);
    }
    ++cleanups;
    return 0;
}

platform::SocketHandle FakeSocketLibrary::Socket(int, int, int) {
    // As in Winsock, the last clean-up stops the library for everyone in the process.
    if (cleanups >= startups) {
        return Fail(winsock::kWsaNotinitialised);
    }
    if (socketFailure) {
        return Fail(socketFailure);
    }
    platform::SocketHandle handle = nextSocket_++;
    if (reuseHandles) {
        handle = 1000;
        while (open_.count(handle) > 0) {
            ++handle;
        }
    }
    open_.insert(handle);
    created.push_back(handle);
    return handle;
}

int FakeSocketLibrary::CloseSocket(platform::SocketHandle s) {
    if (closeFailure) {
        return Fail(closeFailure);
    }
    open_.erase(s);
    closed.push_back(s);
    return 0;
}

int FakeSocketLibrary::Bind(platform::SocketHandle, const platform::SockaddrIn& address) {
    if (bindFailure) {
        return Fail(bindFailure);
    }
    binds.push_back(address);
    return 0;
}

int FakeSocketLibrary::Listen(platform::SocketHandle, int) {
    return listenFailure ? Fail(listenFailure) : 0;
}

platform::SocketHandle FakeSocketLibrary::Accept(platform::SocketHandle, platform::SockaddrIn*) {
    return acceptResult == platform::kInvalidSocket ? Fail(winsock::kWsaEwouldblock) : acceptResult;
}

int FakeSocketLibrary::Connect(platform::SocketHandle, const platform::SockaddrIn& address) {
    connects.push_back(address);
    return connectResult ? Fail(connectResult) : 0;
}

int FakeSocketLibrary::Shutdown(platform::SocketHandle, int) {
    return shutdownFailure ? Fail(shutdownFailure) : 0;
}

int FakeSocketLibrary::Send(platform::SocketHandle s, const std::uint8_t* data, int length, int) {
    if (sendFailure) {
        return Fail(sendFailure);
    }
    const int taken = std::min(length, sendLimit.value_or(length));
    sent.push_back({s, std::vector<std::uint8_t>(data, data + taken), std::nullopt});
    return taken;
}

int FakeSocketLibrary::SendTo(platform::SocketHandle s, const std::uint8_t* data, int length, int,
                              const platform::SockaddrIn& to) {
    if (sendFailure) {
        return Fail(sendFailure);
    }
    if (length > maxUdpDatagram) {
        return Fail(winsock::kWsaEmsgsize);
    }
    const int taken = std::min(length, sendLimit.value_or(length));
    sent.push_back({s, std::vector<std::uint8_t>(data, data + taken), to});
    return taken;
}

int FakeSocketLibrary::Recv(platform::SocketHandle s, std::uint8_t* data, int length, int flags) {
    return RecvFrom(s, data, length, flags, nullptr);
}

int FakeSocketLibrary::RecvFrom(platform::SocketHandle s, std::uint8_t* data, int length, int,
                                platform::SockaddrIn* from) {
    if (receiveFailure) {
        return Fail(receiveFailure);
    }
    std::deque<Datagram>& queue = incoming[s];
    if (queue.empty()) {
        return 0;
    }
    Datagram datagram = queue.front();
    queue.pop_front();
    const int count = std::min(length, static_cast<int>(datagram.bytes.size()));
    std::copy(datagram.bytes.begin(), datagram.bytes.begin() + count, data);
    if (from) {
        *from = datagram.from;
    }
    return count;
}

int FakeSocketLibrary::GetSockName(platform::SocketHandle, platform::SockaddrIn* address) {
    if (!localAddress) {
        return Fail(winsock::kWsaEinval);
    }
    *address = *localAddress;
    return 0;
}

int FakeSocketLibrary::GetPeerName(platform::SocketHandle, platform::SockaddrIn* address) {
    if (!peerAddress) {
        return Fail(winsock::kWsaEnotconn);
    }
    *address = *peerAddress;
    return 0;
}

int FakeSocketLibrary::GetSockOpt(platform::SocketHandle, int, int option, std::int32_t* value) {
    if (option == winsock::kSoRcvBuf) {
        *value = receiveBufferSize;
        return 0;
    }
    if (option == winsock::kSoType) {
        *value = socketType;
        return 0;
    }
    return Fail(winsock::kWsaEnoprotoopt);
}

int FakeSocketLibrary::SetSockOpt(platform::SocketHandle s, int, int option, std::int32_t value) {
    if (setOptionFailure) {
        return Fail(setOptionFailure);
    }
    options.push_back({s, option, value});
    return 0;
}

int FakeSocketLibrary::AsyncSelect(platform::SocketHandle s, platform::WindowHandle, std::uint32_t, long events) {
    if (asyncSelectFailure && events != 0) {
        return Fail(asyncSelectFailure);
    }
    selected[s] = events;
    return 0;
}

std::int32_t FakeSocketLibrary::AsyncGetHostByName(platform::WindowHandle window, std::uint32_t message,
                                                   const std::string& name, std::uint8_t* buffer, int) {
    if (lookupFailure) {
        Fail(lookupFailure);
        return 0;
    }
    const std::int32_t request = nextRequest_++;
    lookups[request] = Lookup{window, message, name, buffer, std::nullopt};
    return request;
}

std::int32_t FakeSocketLibrary::AsyncGetHostByAddr(platform::WindowHandle window, std::uint32_t message,
                                                   std::uint32_t address, std::uint8_t* buffer, int) {
    if (lookupFailure) {
        Fail(lookupFailure);
        return 0;
    }
    const std::int32_t request = nextRequest_++;
    lookups[request] = Lookup{window, message, "", buffer, address};
    const auto known = reverseNames.find(address);
    if (known != reverseNames.end() && windows != nullptr) {
        FillLookup(request, known->second, address);
        windows->PostMessageTo(window, message, static_cast<std::uintptr_t>(request), 0);
    }
    return request;
}

int FakeSocketLibrary::CancelAsyncRequest(std::int32_t request) {
    cancelled.push_back(request);
    return 0;
}

bool FakeSocketLibrary::ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) {
    FakeRecord record;
    std::memcpy(&record, buffer, sizeof record);
    if (record.valid != 1) {
        return false;
    }
    *name = record.name;
    *firstAddress = record.address;
    return true;
}

std::string FakeSocketLibrary::InetNtoa(std::uint32_t address) {
    return std::to_string(address & 0xFF) + "." + std::to_string((address >> 8) & 0xFF) + "." +
           std::to_string((address >> 16) & 0xFF) + "." + std::to_string(address >> 24);
}

int FakeWindowSystem::DeliverPosted() {
    int count = 0;
    while (!posted.empty()) {
        const Posted message = posted.front();
        posted.pop_front();
        if (alive.count(message.window) > 0) {
            Send(message.window, message.message, message.wParam, message.lParam);
            ++count;
        }
    }
    return count;
}

std::intptr_t FakeWindowSystem::Send(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    const std::intptr_t procedure = procedures.at(window);
    return CallPreviousProcedure(procedure, window, message, wParam, lParam);
}

platform::WindowHandle FakeWindowSystem::CreateStaticWindow(const std::string&) {
    if (createFails) {
        return 0;
    }
    const platform::WindowHandle window = nextWindow_;
    nextWindow_ += 2;
    created.push_back(window);
    alive.insert(window);
    procedures[window] = kStaticProcedure;
    return window;
}

bool FakeWindowSystem::DestroyWindow(platform::WindowHandle window) {
    return alive.erase(window) > 0;
}

std::intptr_t FakeWindowSystem::SetWindowProcedure(platform::WindowHandle window, std::intptr_t procedure) {
    const std::intptr_t previous = procedures[window];
    procedures[window] = procedure;
    return previous;
}

std::intptr_t FakeWindowSystem::CallPreviousProcedure(std::intptr_t previous, platform::WindowHandle window,
                                                      std::uint32_t message, std::uintptr_t wParam,
                                                      std::intptr_t lParam) {
    if (previous == kStaticProcedure) {
        previousProcedureCalls.push_back({window, message, wParam, lParam});
        return kStaticAnswer;
    }
    return reinterpret_cast<platform::WindowProc>(previous)(window, message, wParam, lParam);
}

bool FakeWindowSystem::PostMessageTo(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    posted.push_back({window, message, wParam, lParam});
    return true;
}

std::uint32_t FakeWindowSystem::RegisterMessageName(const std::string& name) {
    registeredNames.push_back(name);
    const auto found = numbers_.find(name);
    if (found != numbers_.end()) {
        return found->second;
    }
    const auto number = static_cast<std::uint32_t>(0xC100 + numbers_.size());
    numbers_[name] = number;
    return number;
}

std::intptr_t FakeGlobalMemory::Alloc(unsigned, std::size_t bytes) {
    if (allocFails) {
        return 0;
    }
    const std::intptr_t handle = next_++;
    blocks_[handle].assign(bytes, 0);
    ++live;
    return handle;
}

void* FakeGlobalMemory::Lock(std::intptr_t handle) {
    const auto found = blocks_.find(handle);
    return lockFails || found == blocks_.end() ? nullptr : found->second.data();
}

bool FakeGlobalMemory::Unlock(std::intptr_t) {
    return false;
}

std::intptr_t FakeGlobalMemory::Free(std::intptr_t handle) {
    if (blocks_.erase(handle) > 0) {
        --live;
        return 0;
    }
    return handle;
}

}  // namespace vantorel::testing
