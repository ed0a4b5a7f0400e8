// The memory bfv-query takes against servers whose replies are built to be large, over
// loopback, from the query to the written report: 100 GameSpy 2 servers each sending one
// reply of 255 rows of 242 fields, 50 servers each sending a split reply of 64 parts of
// 64 KB of backslashes, and one such server reported with --json --rules. Each run reports
// the process's peak resident memory (peak_MB) and where it started (start_MB), the servers
// that answered, the datagrams sent and those that bfv-query's socket dropped for want of
// room. Linux only: it reads /proc.

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "output.h"
#include "query/query_all.h"

namespace vantorel::bfvQuery {
namespace {

// A number of kilobytes from /proc/self/status ("VmHWM", "VmRSS").
double StatusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stod(line.substr(field.size() + 1)) / 1024.0;
        }
    }
    return 0;
}

// The peak starts again from what the process holds now, heap returned to the system first.
void ResetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The bytes waiting in the receive buffer of the UDP socket on local port `port`, and the
// datagrams it dropped for want of room, as /proc/net/udp tells them.
struct Queue {
    long waiting = 0;
    long dropped = 0;
};
Queue QueueAt(int port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode, references, pointer;
        long dropped = 0;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode >>
            references >> pointer >> dropped;
        if (local.size() > 9 && std::stoi(local.substr(9), nullptr, 16) == port) {
            return {std::stol(queues.substr(queues.find(':') + 1), nullptr, 16), dropped};
        }
    }
    return {};
}

enum class Kind { kAmplifyingGameSpy2, kSplitParts };

// The most a 64-part set can carry: parts just under the largest datagram Windows hands over.
constexpr int kParts = 64;
constexpr std::size_t kPartBytes = 65000;

std::string GameSpy2Body() {
    std::string body;
    for (const char* text : {"hostname", "Amplifier", "numplayers", "255", "maxplayers", "255", ""}) {
        body += text;
        body += '\0';
    }
    body += static_cast<char>(255);  // rows
    for (int field = 0; field < 242; ++field) {
        const std::string number = std::to_string(1000 + field);
        body += "amplifying" + number;  // 14 characters
        body += '\0';
    }
    body += '\0';
    body.append(255 * 242, '\0');    // every value empty
    body += std::string("\0\0", 2);  // no teams
    return body;
}

// Part n of a set: an odd run of backslashes (so that the part's own keys stay keys), its
// queryid, and "final" on the last.
std::string Part(int n) {
    std::string part(kPartBytes | 1, '\\');
    part += "queryid\\7." + std::to_string(n);
    if (n == kParts) {
        part += "\\final\\";
    }
    return part;
}

// Servers on loopback ports that answer every request with a reply of `kind`. Each datagram
// waits until the asker's receive buffer has room for it, so that what is measured is
// bfv-query holding what it was sent, not the datagrams the system drops.
class HostileServers {
  public:
    HostileServers(int count, Kind kind) : kind_(kind), gameSpy2_(GameSpy2Body()) {
        for (int i = 0; i < count; ++i) {
            const int s = socket(AF_INET, SOCK_DGRAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
            sockets_.push_back(s);
            targets_.push_back({"127.0.0.1", ntohs(address.sin_port)});
        }
        thread_ = std::thread([this] { Serve(); });
    }

    ~HostileServers() {
        over_ = true;
        thread_.join();
        for (const int s : sockets_) {
            close(s);
        }
    }

    const std::vector<QueryTarget>& Targets() const { return targets_; }
    long Sent() const { return sent_; }
    // The datagrams the asker's socket dropped, for want of room in its buffer.
    long Dropped() const { return askerPort_ == 0 ? 0 : QueueAt(askerPort_).dropped; }

  private:
    struct Asker {
        int socket;
        sockaddr_in from;
        std::string request;
    };

    void Serve() {
        std::vector<pollfd> polled;
        for (const int s : sockets_) {
            polled.push_back({s, POLLIN, 0});
        }
        while (!over_) {
            if (poll(polled.data(), polled.size(), 50) <= 0) {
                continue;
            }
            std::vector<Asker> askers;
            for (const pollfd& p : polled) {
                if (p.revents & POLLIN) {
                    Asker asker{p.fd, {}, std::string(64, '\0')};
                    socklen_t length = sizeof asker.from;
                    const ssize_t got = recvfrom(p.fd, asker.request.data(), asker.request.size(), 0,
                                                 reinterpret_cast<sockaddr*>(&asker.from), &length);
                    if (got > 0) {
                        asker.request.resize(static_cast<std::size_t>(got));
                        askers.push_back(std::move(asker));
                    }
                }
            }
            kind_ == Kind::kAmplifyingGameSpy2 ? AnswerGameSpy2(askers) : AnswerInParts(askers);
        }
    }

    void Send(const Asker& asker, const std::string& bytes) {
        const int port = ntohs(asker.from.sin_port);
        constexpr long kRoom = 512 << 10;
        while (!over_ && QueueAt(port).waiting > kRoom) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sendto(asker.socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&asker.from),
               sizeof asker.from);
        ++sent_;
        askerPort_ = port;
    }

    void AnswerGameSpy2(const std::vector<Asker>& askers) {
        for (const Asker& asker : askers) {
            if (asker.request.size() >= 7 && asker.request[0] == '\xFE') {
                Send(asker, std::string(1, '\0') + asker.request.substr(3, 4) + gameSpy2_);
            }
        }
    }

    // Part by part across the servers, so that every set is incomplete at once.
    void AnswerInParts(const std::vector<Asker>& askers) {
        for (int n = 1; n <= kParts; ++n) {
            const std::string part = Part(n);
            for (const Asker& asker : askers) {
                Send(asker, part);
            }
        }
    }

    Kind kind_;
    std::string gameSpy2_;
    std::vector<int> sockets_;
    std::vector<QueryTarget> targets_;
    std::atomic<bool> over_{false};
    std::atomic<long> sent_{0};
    std::atomic<int> askerPort_{0};
    std::thread thread_;
};

void Measure(benchmark::State& state, int servers, Kind kind, QueryProtocol protocol, bool json, TextOptions text) {
    for (auto _ : state) {
        HostileServers hostile(servers, kind);
        QueryEngine::Options options;
        options.protocol = protocol;
        options.timeoutMs = 3000;
        ResetPeak();
        const double start = StatusMegabytes("VmRSS");
        std::string error;
        const std::vector<QueryResult> results = QueryAll(hostile.Targets(), options, &error);
        std::size_t written = 0;
        WriteReport(results, json, text, [&written](std::string_view bytes) {
            written += bytes.size();
            return true;
        });
        state.counters["peak_MB"] = StatusMegabytes("VmHWM");
        state.counters["start_MB"] = start;
        state.counters["report_KB"] = static_cast<double>(written) / 1024.0;
        int answered = 0;
        for (const QueryResult& result : results) {
            answered += result.status == QueryResult::Status::kOk ? 1 : 0;
        }
        state.counters["answered"] = answered;
        state.counters["sent"] = static_cast<double>(hostile.Sent());
        state.counters["dropped"] = static_cast<double>(hostile.Dropped());
    }
}

void HundredAmplifyingGameSpy2Servers(benchmark::State& state) {
    Measure(state, 100, Kind::kAmplifyingGameSpy2, QueryProtocol::kGameSpy2, false, {});
}

void FiftySplitReplyServers(benchmark::State& state) {
    Measure(state, 50, Kind::kSplitParts, QueryProtocol::kBasic, false, {});
}

void OneSplitReplyAsJsonWithRules(benchmark::State& state) {
    Measure(state, 1, Kind::kSplitParts, QueryProtocol::kBasic, true, {false, true, true});
}

BENCHMARK(HundredAmplifyingGameSpy2Servers)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FiftySplitReplyServers)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OneSplitReplyAsJsonWithRules)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vantorel::bfvQuery
