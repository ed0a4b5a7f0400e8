// Winsock's select takes at most FD_SETSIZE sockets, 64 unless the program says otherwise.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

#include "platform/stream_links.h"

namespace vantorel::platform {
namespace {

StreamError FromWinsock(int error) {
    switch (error) {
        case WSAECONNREFUSED: return StreamError::kRefused;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAENETDOWN:
        case WSAEHOSTDOWN: return StreamError::kUnreachable;
        case WSAETIMEDOUT: return StreamError::kTimedOut;
        case WSAEMFILE:
        case WSAENOBUFS: return StreamError::kNoSocket;
        default: return StreamError::kOther;
    }
}

// Every connection and the wake socket fit one select.
constexpr std::size_t kMostLinks = FD_SETSIZE - 1;

SOCKET Socket(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

class Win32StreamSockets : public StreamLinks {
  public:
    Win32StreamSockets(SOCKET wake, sockaddr_in wakeAddress)
        : StreamLinks(kMostLinks), wake_(wake), wakeAddress_(wakeAddress) {}
    ~Win32StreamSockets() override {
        CloseAll();
        closesocket(wake_);
        WSACleanup();
    }

    void Wait(int timeoutMs, const Handlers& handlers) override;
    void Wake() override {
        const char byte = 1;
        sendto(wake_, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress_), sizeof wakeAddress_);
    }

  private:
    Handle NewSocket(int* error) override {
        const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) {
            *error = WSAGetLastError();
            return kNoHandle;
        }
        u_long on = 1;
        ioctlsocket(s, FIONBIO, &on);
        return static_cast<Handle>(s);
    }
    int BeginConnect(Handle handle, Endpoint to) override {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = to.address;
        address.sin_port = htons(to.port);
        // Made at once or not, the socket turns writable (or exceptional) when the outcome is
        // known: one path.
        if (connect(Socket(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            return 0;
        }
        const int error = WSAGetLastError();
        return error == WSAEWOULDBLOCK ? 0 : error;
    }
    Transfer SendSome(Handle handle, std::string_view bytes) override {
        const int sent = send(Socket(handle), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent != SOCKET_ERROR) {
            return {static_cast<std::size_t>(sent)};
        }
        const bool wouldBlock = WSAGetLastError() == WSAEWOULDBLOCK;
        return {0, wouldBlock, !wouldBlock};
    }
    Transfer ReceiveSome(Handle handle, char* into, std::size_t size) override {
        const int got = recv(Socket(handle), into, static_cast<int>(size), 0);
        if (got > 0) {
            return {static_cast<std::size_t>(got)};
        }
        const bool wouldBlock = got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
        return {0, wouldBlock, !wouldBlock};
    }
    void CloseHandle(Handle handle) override { closesocket(Socket(handle)); }
    int ConnectError(Handle handle, bool exceptional) override {
        // Winsock reports a failed connect as exceptional, not writable, and may keep no
        // error for it.
        int error = 0;
        int length = sizeof error;
        if (getsockopt(Socket(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
            error = WSAGetLastError();
        }
        return error == 0 && exceptional ? WSAECONNREFUSED : error;
    }
    std::string Reason(int error) override { return StreamErrorText(FromWinsock(error), error); }
    Handle WakeHandle() const override { return static_cast<Handle>(wake_); }

    SOCKET wake_;
    sockaddr_in wakeAddress_;
};

void Win32StreamSockets::Wait(int timeoutMs, const Handlers& handlers) {
    fd_set readable;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(wake_, &readable);
    bool reportsWaiting = false;
    std::vector<std::pair<Connection, SOCKET>> active;
    for (const auto& [id, link] : links_) {
        if (link.handle == kNoHandle) {
            reportsWaiting = true;
            continue;
        }
        const SOCKET s = Socket(link.handle);
        active.emplace_back(id, s);
        if (!link.open) {
            FD_SET(s, &writable);
            FD_SET(s, &failed);
        } else {
            FD_SET(s, &readable);
            if (!link.pending.empty()) {
                FD_SET(s, &writable);
            }
        }
    }
    const int waitMs = reportsWaiting ? 0 : timeoutMs;
    timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    const int ready = select(0, &readable, &writable, &failed, waitMs < 0 ? nullptr : &wait);
    if (ready > 0 && FD_ISSET(wake_, &readable)) {
        char bytes[64];
        while (recv(wake_, bytes, sizeof bytes, 0) > 0) {
        }
    }
    ReportFailures(handlers);
    if (ready <= 0) {
        return;
    }
    for (const auto& [id, s] : active) {
        OnReady(id, FD_ISSET(s, &readable) != 0, FD_ISSET(s, &writable) != 0, FD_ISSET(s, &failed) != 0, handlers);
    }
}

}  // namespace

std::unique_ptr<StreamSockets> OpenStreamSockets(std::string* error) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        *error = "Windows Sockets could not be started";
        return nullptr;
    }
    // select waits on sockets only: Wake sends a byte to this one, from itself.
    const SOCKET wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    u_long on = 1;
    if (wake == INVALID_SOCKET || ioctlsocket(wake, FIONBIO, &on) != 0 ||
        bind(wake, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *error = "no socket: error " + std::to_string(WSAGetLastError());
        if (wake != INVALID_SOCKET) {
            closesocket(wake);
        }
        WSACleanup();
        return nullptr;
    }
    return std::make_unique<Win32StreamSockets>(wake, address);
}

}  // namespace vantorel::platform
