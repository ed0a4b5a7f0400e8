// Loopback round trips of a 7-byte datagram: through CSocket and the support service
// (SendData, the read notification, GetData) against a plain sendto/recvfrom loop. Both
// talk to the same echo thread.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "net/csocket.h"
#include "platform/platform.h"
#include "platform/posix/stand_ins.h"

namespace {

// Sends every datagram back to its sender until it gets the one-byte "q".
class EchoServer {
  public:
    EchoServer() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~EchoServer() {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to = Address();
        sendto(fd, "q", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        close(fd);
        thread_.join();
        close(fd_);
    }
    sockaddr_in Address() const {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    int Port() const { return port_; }

  private:
    void Run() {
        char buffer[2048];
        for (;;) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t count = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (count == 1 && buffer[0] == 'q') {
                return;
            }
            if (count > 0) {
                sendto(fd_, buffer, static_cast<std::size_t>(count), 0, reinterpret_cast<sockaddr*>(&from), length);
            }
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

class Replies : public vantorel::CSocketEvents {
  public:
    explicit Replies(vantorel::CSocket& socket) : socket_(socket) {}
    void OnDataArrival(std::int32_t) override {
        vantorel::Variant data;
        socket_.GetData(data);
        ++count;
    }
    int count = 0;

  private:
    vantorel::CSocket& socket_;
};

void BM_CSocketRoundTrip(benchmark::State& state) {
    EchoServer echo;
    auto socket = vantorel::CSocket::Create();
    Replies replies(*socket);
    socket->SetListener(&replies);
    socket->SetProtocol(vantorel::CSocket::kUdp);
    socket->SetRemoteHost("127.0.0.1");
    socket->SetRemotePort(echo.Port());
    const vantorel::Variant query = vantorel::Variant::String("\\basic\\");
    vantorel::platform::PosixEventLoop& loop = vantorel::platform::StandInLoop();
    for (auto _ : state) {
        const int before = replies.count;
        socket->SendData(query);
        while (replies.count == before) {
            loop.RunOnce(1000);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CSocketRoundTrip)->UseRealTime();

void BM_RawUdpRoundTrip(benchmark::State& state) {
    EchoServer echo;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = echo.Address();
    char buffer[2048];
    for (auto _ : state) {
        sendto(fd, "\\basic\\", 7, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        sockaddr_in from{};
        socklen_t length = sizeof from;
        benchmark::DoNotOptimize(recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length));
    }
    close(fd);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawUdpRoundTrip)->UseRealTime();

}  // namespace
