#include "sample_responder.h"

#include <algorithm>

#include "net/byte_order.h"
#include "platform/platform.h"
#include "platform/socket_library.h"

namespace vantorel {

// One bound UDP socket and its events.
class SampleResponder::Port : public CSocketEvents {
  public:
    const CSocket& Socket() const { return *socket_; }
    Port(SampleResponder& owner, std::shared_ptr<CSocket> socket) : owner_(owner), socket_(std::move(socket)) {
        socket_->SetListener(this);
    }
    ~Port() override { socket_->SetListener(nullptr); }
    void OnDataArrival(std::int32_t) override { owner_.Answer(*socket_); }

  private:
    SampleResponder& owner_;
    std::shared_ptr<CSocket> socket_;
};

SampleResponder::SampleResponder(Settings settings, std::function<Clock::time_point()> now)
    : settings_(std::move(settings)), now_(std::move(now)), started_(now_()) {}

SampleResponder::~SampleResponder() = default;

bool SampleResponder::Open(std::string* error) {
    for (int port = settings_.firstPort; port <= settings_.lastPort; ++port) {
        try {
            std::shared_ptr<CSocket> socket = CSocket::Create();
            socket->SetProtocol(CSocket::kUdp);
            socket->Bind(port, settings_.bind);
            ports_.push_back(std::make_unique<Port>(*this, std::move(socket)));
        } catch (const SocketError& failure) {
            *error = settings_.bind + ":" + std::to_string(port) + ": " + failure.Description();
            ports_.clear();
            return false;
        }
    }
    return true;
}

int SampleResponder::BoundPort(std::size_t index) const {
    platform::SockaddrIn address;
    if (index >= ports_.size() ||
        platform::Current().sockets->GetSockName(ports_[index]->Socket().SocketHandle(), &address) != 0) {
        return 0;
    }
    return NetworkToHost16(address.port);
}

int SampleResponder::PlayersNow() const {
    const int publicSlots = settings_.maxPlayers - settings_.reserved;
    if (!settings_.freeAfterSeconds) {
        return std::min(settings_.players, settings_.maxPlayers);
    }
    const std::chrono::duration<double> running = now_() - started_;
    return running.count() < *settings_.freeAfterSeconds ? publicSlots : std::max(publicSlots - 1, 0);
}

std::string SampleResponder::Reply() const {
    const int players = PlayersNow();
    std::string reply;
    const auto add = [&reply](const std::string& key, const std::string& value) { reply += "\\" + key + "\\" + value; };
    add("hostname", settings_.hostname);
    add("hostport", "15567");
    add("mapname", settings_.map);
    add("gametype", "conquest");
    add("numplayers", std::to_string(players));
    add("maxplayers", std::to_string(settings_.maxPlayers));
    add("gamemode", "openplaying");
    add("password", "0");
    add("gamever", "v1.21");
    add("dedicated", "1");
    add("status", "3");
    add("game_id", "bfvietnam");
    add("mapid", "BfVietnam");
    add("sv_punkbuster", "0");
    add("timelimit", "3600");
    add("number_of_rounds", "3");
    add("spawn_wave_time", "15");
    add("spawn_delay", "5");
    add("soldier_friendly_fire", "100");
    add("vehicle_friendly_fire", "100");
    add("game_start_delay", "30");
    add("ticket_ratio", "100");
    add("allow_nose_cam", "1");
    add("external_view", "1");
    add("us_team_ratio", "1");
    add("nva_team_ratio", "1");
    add("bandwith_choke_limit", "0");
    add("free_camera", "0");
    add("auto_balance_teams", "1");
    add("name_tag_distance", "100");
    add("name_tag_distance_scope", "300");
    add("kickback", "0");
    add("kickback_on_splash", "0");
    add("soldier_friendly_fire_on_splash", "100");
    add("vehicle_friendly_fire_on_splash", "100");
    add("cpu", "2800");
    add("bot_skill", "0.5");
    add("reservedslots", std::to_string(settings_.reserved));
    add("active_mods", "BfVietnam");
    add("all_active_mods", "BfVietnam");
    add("game_id_name", "BFVIETNAM");
    static const char* const kNames[] = {"Jérôme", "Sgt. Baker", "Nguyen", "Doc", "Hawkeye", "Tran", "Rookie"};
    for (int i = 0; i < players; ++i) {
        const std::string n = std::to_string(i);
        const std::string name = std::string(kNames[i % 7]) + (i >= 7 ? " " + std::to_string(i / 7) : "");
        add("player_" + n, name);
        add("team_" + n, std::to_string(i % 2 + 1));
        add("score_" + n, std::to_string((i * 7) % 40));
        add("kills_" + n, std::to_string((i * 5) % 25));
        add("deaths_" + n, std::to_string((i * 3) % 15));
        add("ping_" + n, std::to_string(30 + (i * 11) % 90));
    }
    // Real servers end a reply so; other clients wait for the "final" key.
    reply += "\\final\\\\queryid\\1.1";
    return reply;
}

void SampleResponder::Answer(CSocket& socket) {
    Variant request;
    socket.GetData(request, Variant::Integer(static_cast<std::int16_t>(VarType::kByteArray)));
    if (request.Type() != VarType::kByteArray || request.AsBytes().empty() || request.AsBytes()[0] != '\\') {
        return;
    }
    // The socket now names the sender as its remote side, so the reply goes back to it.
    const Variant reply = settings_.replyBytes ? Variant::Bytes(*settings_.replyBytes) : Variant::String(Reply());
    try {
        socket.SendData(reply);
    } catch (const SocketError&) {
        return;  // the asker is gone; the next one is answered all the same
    }
    if (onReply_) {
        onReply_("reply to " + socket.RemoteHostIP() + ":" + std::to_string(socket.RemotePort()) + " (" +
                 std::to_string(PlayersNow()) + "/" + std::to_string(settings_.maxPlayers) + " players)");
    }
}

}  // namespace vantorel
