#include "query_run.h"

#include <chrono>
#include <memory>

#include "platform/event_loop.h"
#include "platform/platform.h"
#include "query/frm_query.h"

namespace vantorel::bfvQuery {
namespace {

using Clock = std::chrono::steady_clock;

// One server's stats window, without a screen.
class Probe : public StatsWindowView {
  public:
    Probe(const Target& target, std::function<void()> finished)
        : monitor_(*this, nullptr, Options(target)), finished_(std::move(finished)) {
        result.target = target;
        monitor_.SetOnReplyShown([this](int players) { Keep(players); });
        monitor_.SetOnQueryFailed([this](const std::string& reason) {
            if (result.status == Result::Status::kTimeout) {
                result.status = Result::Status::kError;
                result.error = reason;
                Finish();
            }
        });
    }

    void Start() {
        monitor_.Start();
        sent_ = Clock::now();
        monitor_.SendQuery(result.target.host);
    }

    void FreezeDrawing() override {}
    void UnfreezeDrawing() override {}
    void ShowMessage(const std::string&, MessageIcon, const std::string&) override {}

    Result result;

  private:
    static frmQuery::Options Options(const Target& target) {
        frmQuery::Options options;
        options.queryPort = target.port;
        return options;
    }

    // Runs while the record and the table still hold this server's reply.
    void Keep(int players) {
        if (result.status != Result::Status::kTimeout) {
            return;  // a later reply of an answered server changes nothing
        }
        result.status = Result::Status::kOk;
        result.pingMs = std::chrono::duration<double, std::milli>(Clock::now() - sent_).count();
        const modBFVQueryParse::ServerInfoRecord& info = modBFVQueryParse::ServerInfo();
        for (const modBFVQueryParse::ServerField& field : modBFVQueryParse::ServerFields()) {
            result.fields.emplace_back(field.key, info.*field.field);
        }
        const auto& table = modBFVQueryParse::Players();
        result.players.assign(table.begin(), table.begin() + players);
        result.display = {monitor_.lblTitle.Caption(), monitor_.lblServerTitle.Caption(),
                          monitor_.lblMap.Caption(),   monitor_.lblPlayers.Caption(),
                          monitor_.lstPlayers.Items(), monitor_.chkWaitForSlot.Visible()};
        Finish();
    }

    void Finish() {
        NoteAddress();
        finished_();
    }

  public:
    // The address the query went to, when the socket knows it.
    void NoteAddress() {
        if (result.ip.empty() && monitor_.Sock()) {
            result.ip = monitor_.Sock()->RemoteHostIP();
        }
    }

  private:
    frmQuery monitor_;
    std::function<void()> finished_;
    Clock::time_point sent_;
};

}  // namespace

std::optional<Target> ParseTarget(const std::string& text, std::string* error) {
    Target target;
    const std::size_t colon = text.rfind(':');
    target.host = text.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(port) < 1 || std::stoi(port) > 65535) {
            *error = "\"" + text + "\": the port must be a number from 1 to 65535";
            return std::nullopt;
        }
        target.port = std::stoi(port);
    }
    if (target.host.empty() || target.host.find_first_of(" \t\\") != std::string::npos) {
        *error = "\"" + text + "\": expected HOST or HOST:PORT";
        return std::nullopt;
    }
    return target;
}

std::vector<Result> QueryAll(const std::vector<Target>& targets, unsigned timeoutMs) {
    platform::EventLoop& loop = *platform::Current().events;
    std::size_t pending = targets.size();
    const auto finished = [&] {
        if (--pending == 0) {
            loop.Quit();
        }
    };
    std::vector<std::unique_ptr<Probe>> probes;
    for (const Target& target : targets) {
        probes.push_back(std::make_unique<Probe>(target, finished));
    }
    for (const auto& probe : probes) {
        probe->Start();
    }
    if (pending > 0) {
        const platform::TimerId timeout = loop.SetTimer(timeoutMs, [&loop] { loop.Quit(); });
        loop.Run();
        loop.KillTimer(timeout);
    }
    std::vector<Result> results;
    for (const auto& probe : probes) {
        probe->NoteAddress();
        results.push_back(probe->result);
    }
    return results;
}

}  // namespace vantorel::bfvQuery
