// Host lookups of the socket stand-in: each runs getaddrinfo() (or, for an address,
// getnameinfo()) on a worker thread, and
// its result is written into the caller's buffer on the loop's thread, just before the
// completion message is posted, so that a withdrawn lookup never touches freed memory.

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "platform/posix/socket_library_posix.h"
#include "platform/posix/winsock_errors.h"
#include "platform/winsock_numbers.h"

namespace vantorel::platform {
namespace {

PosixSocketLibrary::LookupResult Resolve(const std::string& name) {
    PosixSocketLibrary::LookupResult result;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int status = name.empty() ? EAI_NONAME : getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (status != 0) {
        result.error = WinsockErrorFromLookup(status);
        return result;
    }
    result.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    result.name = found->ai_canonname ? found->ai_canonname : name;
    freeaddrinfo(found);
    return result;
}

PosixSocketLibrary::LookupResult ResolveAddress(std::uint32_t address) {
    PosixSocketLibrary::LookupResult result;
    sockaddr_in native{};
    native.sin_family = AF_INET;
    native.sin_addr.s_addr = address;
    char host[NI_MAXHOST] = {};
    const int status = getnameinfo(reinterpret_cast<const sockaddr*>(&native), sizeof native, host, sizeof host,
                                   nullptr, 0, NI_NAMEREQD);
    if (status != 0) {
        result.error = WinsockErrorFromLookup(status);
        return result;
    }
    result.name = host;
    result.address = address;
    return result;
}

// The record a completed lookup leaves in the caller's buffer: a hostent, then the lists
// and the data it points to, as Winsock lays them out.
struct HostRecord {
    hostent entry;
    char* aliases[1];
    char* addresses[2];
    std::uint32_t address;
    char name[1];
};

bool WriteRecord(const PosixSocketLibrary::LookupResult& result, std::uint8_t* buffer, int length) {
    const std::size_t needed = offsetof(HostRecord, name) + result.name.size() + 1;
    if (needed > static_cast<std::size_t>(length)) {
        return false;
    }
    auto* record = reinterpret_cast<HostRecord*>(buffer);
    std::memcpy(record->name, result.name.c_str(), result.name.size() + 1);
    record->address = result.address;
    record->aliases[0] = nullptr;
    record->addresses[0] = reinterpret_cast<char*>(&record->address);
    record->addresses[1] = nullptr;
    record->entry.h_name = record->name;
    record->entry.h_aliases = record->aliases;
    record->entry.h_addrtype = AF_INET;
    record->entry.h_length = 4;
    record->entry.h_addr_list = record->addresses;
    return true;
}

}  // namespace

std::int32_t PosixSocketLibrary::AsyncGetHostByName(WindowHandle window, std::uint32_t message, const std::string& name,
                                                    std::uint8_t* buffer, int bufferLength) {
    return StartLookup(window, message, buffer, bufferLength, [name] { return Resolve(name); });
}

std::int32_t PosixSocketLibrary::AsyncGetHostByAddr(WindowHandle window, std::uint32_t message, std::uint32_t address,
                                                    std::uint8_t* buffer, int bufferLength) {
    return StartLookup(window, message, buffer, bufferLength, [address] { return ResolveAddress(address); });
}

std::int32_t PosixSocketLibrary::StartLookup(WindowHandle window, std::uint32_t message, std::uint8_t* buffer,
                                             int bufferLength, std::function<LookupResult()> work) {
    if (started_ == 0) {
        Fail(winsock::kWsaNotinitialised);
        return 0;
    }
    if (buffer == nullptr || bufferLength < static_cast<int>(sizeof(HostRecord))) {
        Fail(winsock::kWsaEnobufs);
        return 0;
    }
    const std::int32_t request = nextLookup_++;
    lookups_[request] = PendingLookup{window, message, buffer, bufferLength};
    std::shared_ptr<Channel> channel = channel_;
    // Detached: a lookup that hangs in the resolver must not hold up the program's exit.
    std::thread([channel, request, work = std::move(work)] {
        const LookupResult result = work();
        std::lock_guard<std::mutex> lock(channel->mutex);
        if (channel->loop) {
            channel->loop->PostTask([channel, request, result] {
                if (channel->library) {
                    channel->library->CompleteLookup(request, result);
                }
            });
        }
    }).detach();
    return request;
}

void PosixSocketLibrary::CompleteLookup(std::int32_t request, const LookupResult& result) {
    const auto found = lookups_.find(request);
    if (found == lookups_.end()) {
        return;  // cancelled
    }
    const PendingLookup lookup = found->second;
    lookups_.erase(found);
    int error = result.error;
    if (error == 0 && !WriteRecord(result, lookup.buffer, lookup.length)) {
        error = winsock::kWsaEnobufs;
    }
    const auto lParam = static_cast<std::intptr_t>(static_cast<std::uint32_t>(error) << 16);
    loop_.Post(lookup.window, lookup.message, static_cast<std::uintptr_t>(request), lParam);
}

int PosixSocketLibrary::CancelAsyncRequest(std::int32_t request) {
    if (lookups_.erase(request) == 0) {
        return Fail(winsock::kWsaEinval);
    }
    return 0;
}

bool PosixSocketLibrary::ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) {
    const auto* entry = reinterpret_cast<const hostent*>(buffer);
    if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
        return false;
    }
    std::memcpy(firstAddress, entry->h_addr_list[0], 4);
    *name = entry->h_name ? entry->h_name : "";
    return true;
}

}  // namespace vantorel::platform
