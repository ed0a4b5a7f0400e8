#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "fakes/udp_peer.h"

namespace vantorel::testing {

UdpPeer::UdpPeer(const std::string& address) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    socket_ = fd;
}

UdpPeer::~UdpPeer() {
    close(static_cast<int>(socket_));
}

std::optional<UdpPeer::Datagram> UdpPeer::Receive(int timeoutMs) {
    pollfd polled{static_cast<int>(socket_), POLLIN, 0};
    if (poll(&polled, 1, timeoutMs) <= 0) {
        return std::nullopt;
    }
    std::vector<char> buffer(65536);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = recvfrom(static_cast<int>(socket_), buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) {
        return std::nullopt;
    }
    return Datagram{ntohs(from.sin_port), std::string(buffer.data(), static_cast<std::size_t>(got))};
}

bool UdpPeer::SendTo(const std::string& address, int port, const std::string& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &to.sin_addr);
    return sendto(static_cast<int>(socket_), bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

}  // namespace vantorel::testing
