// What bfv-query sends to each kind of server in automatic mode, counted at the server: one
// request for a server that answers it, the other forms when the first goes unanswered, and
// everything once more halfway through the one timeout.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "engine.h"
#include "fakes/udp_peer.h"
#include "query/gamespy2_reply.h"
#include "query_adapter.h"

namespace vantorel::bfvQuery {
namespace {

using namespace std::string_literals;

const std::string kWhole = "\\hostname\\Alpha\\mapname\\Delta\\numplayers\\0\\maxplayers\\32";

enum class Kind { kBasic, kStatusOnly, kGameSpy2Only, kSilent, kLosesTheFirstThree };

// A server of one kind, keeping the forms of the requests it received.
class CountingServer {
  public:
    explicit CountingServer(Kind kind) : kind_(kind), thread_([this] { Serve(); }) {}
    ~CountingServer() { Stop(); }
    int Port() const { return peer_.Port(); }
    std::string Requests() {
        Stop();
        return requests_;
    }

  private:
    void Stop() {
        if (!stop_.exchange(true)) {
            thread_.join();
        }
    }
    void Serve() {
        for (int received = 1; !stop_; ++received) {
            const std::optional<testing::UdpPeer::Datagram> request = peer_.Receive(50);
            if (!request) {
                --received;
                continue;
            }
            const std::string form = request->bytes == "\\basic\\"    ? "basic"
                                     : request->bytes == "\\status\\" ? "status"
                                                                      : "gs2";
            requests_ += (requests_.empty() ? "" : " ") + form;
            std::string answer;
            if (form == "gs2" && kind_ == Kind::kGameSpy2Only) {
                answer = "\0"s + request->bytes.substr(3, 4) + "hostname\0Alpha\0numplayers\0000\0\0"s;
            } else if (form != "gs2" && (kind_ == Kind::kBasic || (kind_ == Kind::kStatusOnly && form == "status") ||
                                         (kind_ == Kind::kLosesTheFirstThree && received == 4))) {
                answer = kWhole;
            }
            if (!answer.empty()) {
                peer_.SendTo("127.0.0.1", request->fromPort, answer);
            }
        }
    }
    Kind kind_;
    testing::UdpPeer peer_;
    std::string requests_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(BfvQueryEngine, EachKindOfServerIsAskedWhatItNeedsWithinOneTimeout) {
    const struct {
        Kind kind;
        Result::Status status;
        const char* protocol;
        const char* requests;
    } cases[] = {
        {Kind::kBasic, Result::Status::kOk, "basic", "basic"},
        {Kind::kStatusOnly, Result::Status::kOk, "status", "basic status gs2"},
        {Kind::kGameSpy2Only, Result::Status::kOk, "gs2", "basic status gs2"},
        {Kind::kSilent, Result::Status::kTimeout, "", "basic status gs2 basic status gs2"},
        {Kind::kLosesTheFirstThree, Result::Status::kOk, "status", "basic status gs2 basic status gs2"},
    };
    std::vector<std::unique_ptr<CountingServer>> servers;
    std::vector<Target> targets;
    for (const auto& c : cases) {
        servers.push_back(std::make_unique<CountingServer>(c.kind));
        targets.push_back({"127.0.0.1", servers.back()->Port()});
    }
    RunOptions options;
    options.timeoutMs = 1000;
    std::string error;
    const std::vector<Result> results = QueryAll(targets, options, &error);
    ASSERT_EQ(results.size(), std::size(cases)) << error;
    for (std::size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(cases[i].requests);
        EXPECT_EQ(results[i].status, cases[i].status);
        EXPECT_EQ(results[i].protocol, cases[i].protocol);
        // Requests that crossed the answer on the way still arrive; none is sent after it.
        EXPECT_EQ(servers[i]->Requests(), cases[i].requests);
    }
}

}  // namespace
}  // namespace vantorel::bfvQuery
