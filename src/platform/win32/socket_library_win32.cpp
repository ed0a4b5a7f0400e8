#include "platform/win32/socket_library_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "platform/winsock_numbers.h"

namespace vantorel::platform {
namespace {

static_assert(sizeof(sockaddr_in) == sizeof(SockaddrIn));
static_assert(WSAEWOULDBLOCK == winsock::kWsaEwouldblock && WSAHOST_NOT_FOUND == winsock::kWsaHostNotFound);
static_assert(SOL_SOCKET == winsock::kSolSocket && SO_BROADCAST == winsock::kSoBroadcast &&
              SO_RCVBUF == winsock::kSoRcvBuf && SO_TYPE == winsock::kSoType);
static_assert(FD_READ == winsock::kFdRead && FD_WRITE == winsock::kFdWrite && FD_ACCEPT == winsock::kFdAccept &&
              FD_CONNECT == winsock::kFdConnect && FD_CLOSE == winsock::kFdClose);
static_assert(MAXGETHOSTSTRUCT == winsock::kMaxGetHostStruct);

SOCKET Native(SocketHandle s) {
    return static_cast<SOCKET>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(s)));
}

SocketHandle Ours(SOCKET s) {
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(static_cast<std::uint32_t>(s));
}

sockaddr_in ToNative(const SockaddrIn& address) {
    sockaddr_in native{};
    native.sin_family = AF_INET;
    native.sin_port = address.port;
    native.sin_addr.s_addr = address.address;
    return native;
}

SockaddrIn FromNative(const sockaddr_in& native) {
    SockaddrIn address;
    address.family = winsock::kAfInet;
    address.port = native.sin_port;
    address.address = native.sin_addr.s_addr;
    return address;
}

}  // namespace

int Win32SocketLibrary::Startup(std::uint16_t version, WsaData* data) {
    WSADATA native{};
    const int result = WSAStartup(version, &native);
    if (result == 0) {
        data->version = native.wVersion;
        data->highVersion = native.wHighVersion;
        data->maxSockets = native.iMaxSockets;
        data->maxUdpDatagram = native.iMaxUdpDg;
    }
    return result;
}

int Win32SocketLibrary::Cleanup() {
    return WSACleanup();
}

int Win32SocketLibrary::LastError() {
    return WSAGetLastError();
}

SocketHandle Win32SocketLibrary::Socket(int family, int type, int protocol) {
    return Ours(socket(family, type, protocol));
}

int Win32SocketLibrary::CloseSocket(SocketHandle s) {
    return closesocket(Native(s));
}

int Win32SocketLibrary::Bind(SocketHandle s, const SockaddrIn& address) {
    const sockaddr_in native = ToNative(address);
    return bind(Native(s), reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int Win32SocketLibrary::Listen(SocketHandle s, int backlog) {
    return listen(Native(s), backlog);
}

SocketHandle Win32SocketLibrary::Accept(SocketHandle s, SockaddrIn* peer) {
    sockaddr_in native{};
    int length = sizeof native;
    const SOCKET accepted = accept(Native(s), reinterpret_cast<sockaddr*>(&native), &length);
    if (accepted != INVALID_SOCKET && peer) {
        *peer = FromNative(native);
    }
    return Ours(accepted);
}

int Win32SocketLibrary::Connect(SocketHandle s, const SockaddrIn& address) {
    const sockaddr_in native = ToNative(address);
    return connect(Native(s), reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int Win32SocketLibrary::Shutdown(SocketHandle s, int how) {
    return shutdown(Native(s), how);
}

int Win32SocketLibrary::Send(SocketHandle s, const std::uint8_t* data, int length, int flags) {
    return send(Native(s), reinterpret_cast<const char*>(data), length, flags);
}

int Win32SocketLibrary::SendTo(SocketHandle s, const std::uint8_t* data, int length, int flags, const SockaddrIn& to) {
    const sockaddr_in native = ToNative(to);
    return sendto(Native(s), reinterpret_cast<const char*>(data), length, flags,
                  reinterpret_cast<const sockaddr*>(&native), sizeof native);
}

int Win32SocketLibrary::Recv(SocketHandle s, std::uint8_t* data, int length, int flags) {
    return recv(Native(s), reinterpret_cast<char*>(data), length, flags);
}

int Win32SocketLibrary::RecvFrom(SocketHandle s, std::uint8_t* data, int length, int flags, SockaddrIn* from) {
    sockaddr_in native{};
    int nativeLength = sizeof native;
    const int received = recvfrom(Native(s), reinterpret_cast<char*>(data), length, flags,
                                  reinterpret_cast<sockaddr*>(&native), &nativeLength);
    if (received != SOCKET_ERROR && from) {
        *from = FromNative(native);
    }
    return received;
}

int Win32SocketLibrary::GetSockName(SocketHandle s, SockaddrIn* address) {
    sockaddr_in native{};
    int length = sizeof native;
    const int result = getsockname(Native(s), reinterpret_cast<sockaddr*>(&native), &length);
    if (result == 0) {
        *address = FromNative(native);
    }
    return result;
}

int Win32SocketLibrary::GetPeerName(SocketHandle s, SockaddrIn* address) {
    sockaddr_in native{};
    int length = sizeof native;
    const int result = getpeername(Native(s), reinterpret_cast<sockaddr*>(&native), &length);
    if (result == 0) {
        *address = FromNative(native);
    }
    return result;
}

int Win32SocketLibrary::GetSockOpt(SocketHandle s, int level, int option, std::int32_t* value) {
    int native = 0;
    int length = sizeof native;
    const int result = getsockopt(Native(s), level, option, reinterpret_cast<char*>(&native), &length);
    if (result == 0) {
        *value = native;
    }
    return result;
}

int Win32SocketLibrary::SetSockOpt(SocketHandle s, int level, int option, std::int32_t value) {
    const int native = value;
    return setsockopt(Native(s), level, option, reinterpret_cast<const char*>(&native), sizeof native);
}

int Win32SocketLibrary::AsyncSelect(SocketHandle s, WindowHandle window, std::uint32_t message, long events) {
    return WSAAsyncSelect(Native(s), reinterpret_cast<HWND>(window), message, events);
}

std::int32_t Win32SocketLibrary::AsyncGetHostByName(WindowHandle window, std::uint32_t message, const std::string& name,
                                                    std::uint8_t* buffer, int bufferLength) {
    const HANDLE request = WSAAsyncGetHostByName(reinterpret_cast<HWND>(window), message, name.c_str(),
                                                 reinterpret_cast<char*>(buffer), bufferLength);
    // Request handles are small numbers; the completion's wParam carries the same value.
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(request));
}

std::int32_t Win32SocketLibrary::AsyncGetHostByAddr(WindowHandle window, std::uint32_t message, std::uint32_t address,
                                                    std::uint8_t* buffer, int bufferLength) {
    const HANDLE request =
        WSAAsyncGetHostByAddr(reinterpret_cast<HWND>(window), message, reinterpret_cast<const char*>(&address), 4,
                              AF_INET, reinterpret_cast<char*>(buffer), bufferLength);
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(request));
}

int Win32SocketLibrary::CancelAsyncRequest(std::int32_t request) {
    return WSACancelAsyncRequest(
        reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(request))));
}

bool Win32SocketLibrary::ReadHostRecord(const std::uint8_t* buffer, std::string* name, std::uint32_t* firstAddress) {
    const auto* entry = reinterpret_cast<const hostent*>(buffer);
    if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
        return false;
    }
    std::memcpy(firstAddress, entry->h_addr_list[0], 4);
    *name = entry->h_name ? entry->h_name : "";
    return true;
}

std::uint32_t Win32SocketLibrary::InetAddr(const std::string& dotted) {
    return inet_addr(dotted.c_str());
}

std::string Win32SocketLibrary::InetNtoa(std::uint32_t address) {
    in_addr native{};
    native.s_addr = address;
    const char* text = inet_ntoa(native);
    return text ? text : "";
}

}  // namespace vantorel::platform
