#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

#include "datagram_sockets.h"

namespace vantorel::bfvQuery {

struct DatagramSockets::System {
    bool started = false;
    std::vector<SOCKET> sockets;
    // Wake sends a byte to this socket, bound on the loopback address, from itself: select
    // waits on sockets only.
    SOCKET wake = INVALID_SOCKET;
    sockaddr_in wakeAddress{};
    std::vector<char> buffer = std::vector<char>(65536);

    ~System() {
        for (const SOCKET s : sockets) {
            closesocket(s);
        }
        if (wake != INVALID_SOCKET) {
            closesocket(wake);
        }
        if (started) {
            WSACleanup();
        }
    }
};

namespace {

Endpoint FromSockaddr(const sockaddr_in& address) {
    return {address.sin_addr.s_addr, ntohs(address.sin_port)};
}

bool StartWinsock() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void Drain(DatagramSockets::System& system, SOCKET s, const DatagramSockets::Handlers& handlers) {
    for (;;) {
        sockaddr_in from{};
        int length = sizeof from;
        const int got = recvfrom(s, system.buffer.data(), static_cast<int>(system.buffer.size()), 0,
                                 reinterpret_cast<sockaddr*>(&from), &length);
        if (got == SOCKET_ERROR) {
            // Winsock fails the next receive with 10054 when a datagram found its port
            // closed, and names that destination as the sender.
            if (WSAGetLastError() == WSAECONNRESET) {
                if (from.sin_family == AF_INET && from.sin_port != 0) {
                    handlers.unreachable(FromSockaddr(from));
                }
                continue;
            }
            return;  // WSAEWOULDBLOCK: nothing more waits
        }
        if (from.sin_family == AF_INET) {
            handlers.datagram(FromSockaddr(from),
                              std::string_view(system.buffer.data(), static_cast<std::size_t>(got)));
        }
    }
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

}  // namespace

std::string AddressText(std::uint32_t address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

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
    return FD_SETSIZE - 1;
}

DatagramSockets::DatagramSockets(std::unique_ptr<System> system) : system_(std::move(system)) {}
DatagramSockets::~DatagramSockets() = default;

std::unique_ptr<DatagramSockets> DatagramSockets::Open(int count, std::string* error) {
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
        *error = "no socket for waking up: error " + std::to_string(WSAGetLastError());
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        const SOCKET s = NonBlockingSocket();
        if (s == INVALID_SOCKET) {
            if (i > 0) {
                break;
            }
            *error = "no socket: error " + std::to_string(WSAGetLastError());
            return nullptr;
        }
        const int bytes = 1 << 20;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
        // The first send binds the socket; bind it now so that receiving may start at once.
        sockaddr_in any{};
        any.sin_family = AF_INET;
        bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any);
        system->sockets.push_back(s);
    }
    return std::unique_ptr<DatagramSockets>(new DatagramSockets(std::move(system)));
}

int DatagramSockets::Count() const {
    return static_cast<int>(system_->sockets.size());
}

bool DatagramSockets::Send(int socket, Endpoint to, std::string_view bytes) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = to.address;
    address.sin_port = htons(to.port);
    const SOCKET s = system_->sockets[static_cast<std::size_t>(socket)];
    return sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != SOCKET_ERROR;
}

void DatagramSockets::Wait(int timeoutMs, const Handlers& handlers) {
    System& system = *system_;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(system.wake, &readable);
    for (const SOCKET s : system.sockets) {
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
    for (const SOCKET s : system.sockets) {
        if (FD_ISSET(s, &readable)) {
            Drain(system, s, handlers);
        }
    }
}

void DatagramSockets::Wake() {
    const char byte = 1;
    sendto(system_->wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&system_->wakeAddress),
           sizeof system_->wakeAddress);
}

}  // namespace vantorel::bfvQuery
