// Winsock's select takes at most FD_SETSIZE sockets, 64 unless the program says otherwise:
// one socket per server asked at a time wants more.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>

#include <unordered_map>
#include <vector>

#include "platform/datagram_sockets.h"
#include "platform/event_loop.h"

namespace vantorel::platform {
namespace {

struct System {
    bool started = false;
    // One connected socket per server being asked.
    std::unordered_map<std::uint64_t, SOCKET> byPeer;
    // The local ports of those sockets and of the wake socket, each with how many hold it.
    std::unordered_map<std::uint16_t, int> localPorts;
    std::vector<std::pair<SOCKET, Endpoint>> ready;  // reused by each Wait
    // Wake sends a byte to this socket, bound on the loopback address, from itself: select
    // waits on sockets only.
    SOCKET wake = INVALID_SOCKET;
    sockaddr_in wakeAddress{};
    std::vector<char> buffer = std::vector<char>(65536);
    // The loop that watches every socket above, and what it runs.
    EventLoop* watcher = nullptr;
    std::function<void()> onReady;

    void Close(SOCKET s) {
        if (watcher) {
            watcher->UnwatchSocket(static_cast<std::uintptr_t>(s));
        }
        closesocket(s);
    }

    ~System() {
        for (const auto& [key, s] : byPeer) {
            Close(s);
        }
        if (wake != INVALID_SOCKET) {
            Close(wake);
        }
        if (started) {
            WSACleanup();
        }
    }
};

constexpr int kMostReadsPerWait = DatagramSockets::kMostDatagramsPerWait;

std::uint64_t Key(Endpoint endpoint) {
    return (static_cast<std::uint64_t>(endpoint.address) << 16) | endpoint.port;
}

sockaddr_in ToSockaddr(Endpoint endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

bool StartWinsock() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

std::uint16_t LocalPort(SOCKET s) {
    sockaddr_in local{};
    int length = sizeof local;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

SOCKET NonBlockingSocket() {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        return s;
    }
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    return s;
}

void Drain(System& system, SOCKET s, Endpoint peer, const DatagramSockets::Handlers& handlers) {
    for (int read = 0; read < kMostReadsPerWait; ++read) {
        const int got = recv(s, system.buffer.data(), static_cast<int>(system.buffer.size()), 0);
        if (got != SOCKET_ERROR) {
            handlers.datagram(peer, std::string_view(system.buffer.data(), static_cast<std::size_t>(got)));
            // An answer ends the server's query and closes its socket.
            const auto still = system.byPeer.find(Key(peer));
            if (still == system.byPeer.end() || still->second != s) {
                return;
            }
            continue;
        }
        // 10054: the query found the port closed. WSAEMSGSIZE: a datagram too large for the
        // buffer, dropped. Anything else (10035, would block) ends the run of datagrams.
        const int error = WSAGetLastError();
        if (error == WSAECONNRESET) {
            handlers.unreachable(peer);
            return;
        }
        if (error != WSAEMSGSIZE) {
            return;
        }
    }
}

}  // namespace

std::optional<std::uint32_t> LookUpHost(const std::string& name) {
    // Each lookup thread needs Winsock started for its own calls; the count keeps it going.
    if (!StartWinsock()) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    std::optional<std::uint32_t> address;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
        address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        freeaddrinfo(found);
    }
    WSACleanup();
    return address;
}

int SocketsAvailable() {
    // Winsock sets no limit of its own below the memory's; select takes FD_SETSIZE.
    return FD_SETSIZE;
}

namespace {

class Win32DatagramSockets : public DatagramSockets {
  public:
    explicit Win32DatagramSockets(std::unique_ptr<System> system) : system_(std::move(system)) {}

    int Count() const override { return 1; }
    int MostInFlight() const override { return FD_SETSIZE - 1; }  // the wake socket takes one place
    bool Send(int socket, Endpoint to, std::string_view bytes) override;
    void Release(Endpoint to) override;
    bool IsOwn(Endpoint from) const override;
    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override;
    bool WatchOn(EventLoop& loop, std::function<void()> ready) override;

  private:
    std::unique_ptr<System> system_;
};

bool Win32DatagramSockets::Send(int, Endpoint to, std::string_view bytes) {
    System& system = *system_;
    SOCKET& s = system.byPeer[Key(to)];
    if (s == 0 || s == INVALID_SOCKET) {
        s = NonBlockingSocket();
        const sockaddr_in address = ToSockaddr(to);
        if (s == INVALID_SOCKET || connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            if (s != INVALID_SOCKET) {
                closesocket(s);
            }
            system.byPeer.erase(Key(to));
            return false;
        }
        ++system.localPorts[LocalPort(s)];
        if (system.watcher) {
            system.watcher->WatchSocket(static_cast<std::uintptr_t>(s), system.onReady);
        }
    }
    return send(s, bytes.data(), static_cast<int>(bytes.size()), 0) != SOCKET_ERROR;
}

void Win32DatagramSockets::Release(Endpoint to) {
    const auto found = system_->byPeer.find(Key(to));
    if (found != system_->byPeer.end()) {
        const auto port = system_->localPorts.find(LocalPort(found->second));
        if (port != system_->localPorts.end() && --port->second == 0) {
            system_->localPorts.erase(port);
        }
        system_->Close(found->second);
        system_->byPeer.erase(found);
    }
}

bool Win32DatagramSockets::IsOwn(Endpoint from) const {
    if (system_->localPorts.count(from.port) == 0) {
        return false;
    }
    if ((ntohl(from.address) >> 24) == 127) {
        return true;
    }
    // The system sends to an address of this host from that very address, and to any other
    // from one of its own: asked by connecting a socket, which sends nothing. Rare enough (a
    // datagram from one of our own port numbers) to ask each time.
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (probe == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address = ToSockaddr(from);
    int length = sizeof address;
    const bool local = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                       address.sin_addr.s_addr == from.address;
    closesocket(probe);
    return local;
}

void Win32DatagramSockets::Wait(int timeoutMs, const Handlers& handlers) {
    System& system = *system_;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(system.wake, &readable);
    for (const auto& [key, s] : system.byPeer) {
        FD_SET(s, &readable);
    }
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &wait) <= 0) {
        return;
    }
    if (FD_ISSET(system.wake, &readable)) {
        char bytes[64];
        while (recv(system.wake, bytes, sizeof bytes, 0) > 0) {
        }
    }
    // The handlers may release sockets: list the ready ones first.
    system.ready.clear();
    for (const auto& [key, s] : system.byPeer) {
        if (FD_ISSET(s, &readable)) {
            system.ready.emplace_back(
                s, Endpoint{static_cast<std::uint32_t>(key >> 16), static_cast<std::uint16_t>(key & 0xFFFF)});
        }
    }
    for (const auto& [s, peer] : system.ready) {
        // A socket released by an earlier handler in this run is closed: skip it.
        const auto still = system.byPeer.find(Key(peer));
        if (still != system.byPeer.end() && still->second == s) {
            Drain(system, s, peer, handlers);
        }
    }
}

bool Win32DatagramSockets::WatchOn(EventLoop& loop, std::function<void()> ready) {
    System& system = *system_;
    if (system.watcher || !loop.WatchSocket(static_cast<std::uintptr_t>(system.wake), ready)) {
        return false;
    }
    system.watcher = &loop;
    system.onReady = std::move(ready);
    for (const auto& [key, s] : system.byPeer) {
        loop.WatchSocket(static_cast<std::uintptr_t>(s), system.onReady);
    }
    return true;
}

void Win32DatagramSockets::Wake() {
    const char byte = 1;
    sendto(system_->wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&system_->wakeAddress),
           sizeof system_->wakeAddress);
}

}  // namespace

std::unique_ptr<DatagramSockets> OpenDatagramSockets(int, std::string* error) {
    auto system = std::make_unique<System>();
    system->started = StartWinsock();
    if (!system->started) {
        *error = "Windows Sockets could not be started";
        return nullptr;
    }
    system->wake = NonBlockingSocket();
    system->wakeAddress.sin_family = AF_INET;
    system->wakeAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof system->wakeAddress;
    if (system->wake == INVALID_SOCKET ||
        bind(system->wake, reinterpret_cast<const sockaddr*>(&system->wakeAddress), length) != 0 ||
        getsockname(system->wake, reinterpret_cast<sockaddr*>(&system->wakeAddress), &length) != 0) {
        *error = "no socket: error " + std::to_string(WSAGetLastError());
        return nullptr;
    }
    ++system->localPorts[ntohs(system->wakeAddress.sin_port)];
    return std::make_unique<Win32DatagramSockets>(std::move(system));
}

}  // namespace vantorel::platform
