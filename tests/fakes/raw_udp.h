#pragma once
// A plain UDP sender outside the socket layer, usable from any thread: the far end of
// tests that flood the program with datagrams.

#include <string>

namespace vantorel::testing {

class RawUdpSender {
  public:
    RawUdpSender();
    ~RawUdpSender();
    RawUdpSender(const RawUdpSender&) = delete;
    RawUdpSender& operator=(const RawUdpSender&) = delete;

    // Sends from the port this sender is bound to, on 127.0.0.1.
    bool SendTo(int port, const std::string& bytes);
    int Port() const { return port_; }

  private:
    long long socket_ = -1;
    int port_ = 0;
};

}  // namespace vantorel::testing
