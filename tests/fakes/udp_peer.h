#pragma once
// A plain UDP socket on a loopback address, outside the socket layer: the far end of tests
// that answer, or flood the program with datagrams, as the test says.

#include <optional>
#include <string>

namespace vantorel::testing {

class UdpPeer {
  public:
    // Bound to `address` (dotted), on a port of the system's choice.
    explicit UdpPeer(const std::string& address = "127.0.0.1");
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    int Port() const { return port_; }

    struct Datagram {
        int fromPort = 0;
        std::string bytes;
    };
    // The next datagram within `timeoutMs`, or nothing.
    std::optional<Datagram> Receive(int timeoutMs);
    bool SendTo(const std::string& address, int port, const std::string& bytes);

  private:
    long long socket_ = -1;
    int port_ = 0;
};

}  // namespace vantorel::testing
