#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

#include "fakes/udp_peer.h"

namespace vantorel::testing {

UdpPeer::UdpPeer(const std::string& address) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = inet_addr(address.c_str());
    bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local);
    int length = sizeof local;
    getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    socket_ = static_cast<long long>(s);
}

UdpPeer::~UdpPeer() {
    closesocket(static_cast<SOCKET>(socket_));
    WSACleanup();
}

std::optional<UdpPeer::Datagram> UdpPeer::Receive(int timeoutMs) {
    const SOCKET s = static_cast<SOCKET>(socket_);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
        return std::nullopt;
    }
    std::vector<char> buffer(65536);
    sockaddr_in from{};
    int length = sizeof from;
    const int got =
        recvfrom(s, buffer.data(), static_cast<int>(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (got == SOCKET_ERROR) {
        return std::nullopt;
    }
    return Datagram{ntohs(from.sin_port), std::string(buffer.data(), static_cast<std::size_t>(got))};
}

bool UdpPeer::SendTo(const std::string& address, int port, const std::string& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = inet_addr(address.c_str());
    return sendto(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<sockaddr*>(&to), sizeof to) == static_cast<int>(bytes.size());
}

}  // namespace vantorel::testing
