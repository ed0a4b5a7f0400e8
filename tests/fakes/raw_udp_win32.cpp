#include <winsock2.h>

#include "fakes/raw_udp.h"

namespace vantorel::testing {

RawUdpSender::RawUdpSender() {
    WSADATA data;
    WSAStartup(0x0202, &data);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    socket_ = static_cast<long long>(s);
}

RawUdpSender::~RawUdpSender() {
    closesocket(static_cast<SOCKET>(socket_));
    WSACleanup();
}

bool RawUdpSender::SendTo(int port, const std::string& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sendto(static_cast<SOCKET>(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(bytes.size());
}

}  // namespace vantorel::testing
