#include "sample_responder.h"

#include <algorithm>

#include "net/byte_order.h"
#include "platform/ansi.h"
#include "platform/platform.h"
#include "platform/socket_library.h"

namespace vantorel {

// One bound UDP socket and its events.
class SampleResponder::Port : public CSocketEvents {
  public:
    const CSocket& Socket() const { return *socket_; }
    Port(SampleResponder& owner, std::shared_ptr<CSocket> socket, std::size_t index)
        : owner_(owner), socket_(std::move(socket)), index_(index) {
        socket_->SetListener(this);
    }
    ~Port() override { socket_->SetListener(nullptr); }
    void OnDataArrival(std::int32_t) override { owner_.Answer(*socket_, index_); }

  private:
    SampleResponder& owner_;
    std::shared_ptr<CSocket> socket_;
    std::size_t index_;
};

SampleResponder::SampleResponder(Settings settings, std::function<Clock::time_point()> now)
    : settings_(std::move(settings)), now_(std::move(now)), started_(now_()) {
    for (int port = settings_.firstPort; port <= std::max(settings_.firstPort, settings_.lastPort); ++port) {
        served_.push_back(Varied(settings_, port - settings_.firstPort));
    }
}

SampleResponder::Settings SampleResponder::Varied(const Settings& settings, int index) {
    if (!settings.vary) {
        return settings;
    }
    static const char* const kNames[] = {
        "[VN] Caf\xC3\xA9 Saigon", "Hue City Veterans",  "Ia Drang Valley", "Khe Sanh 24/7",
        "Mekong Delta Raiders",    "Operation Hastings", "Dak To Hill",     "Da Nang Airbase",
        "Charlie Company",         "Rolling Thunder",    "Saigon Nights",   "Tunnel Rats"};
    static const char* const kMaps[] = {"Hue",
                                        "Ia Drang",
                                        "Khe Sanh",
                                        "Operation Flaming Dart",
                                        "Quang Tri 1972",
                                        "Hamburger Hill",
                                        "Fall of Saigon",
                                        "Lang Vei",
                                        "Operation Irving"};
    static const int kMax[] = {16, 24, 32, 48, 64};
    Settings varied = settings;
    const auto n = static_cast<std::size_t>(index);
    varied.hostname = std::string(kNames[n % std::size(kNames)]) + " #" + std::to_string(index + 1);
    varied.map = kMaps[(n * 5 + 2) % std::size(kMaps)];
    varied.maxPlayers = kMax[(n * 3 + 1) % std::size(kMax)];
    varied.reserved = index % 4 == 0 ? 2 : 0;
    if (index % 7 == 3) {
        varied.players = varied.maxPlayers - varied.reserved;  // every public slot taken
    } else if (index % 6 == 5) {
        varied.players = 0;
    } else {
        varied.players =
            static_cast<int>((n * 37 + 11) % static_cast<std::size_t>(varied.maxPlayers - varied.reserved));
    }
    varied.password = index % 5 == 4;
    varied.freeAfterSeconds.reset();
    return varied;
}

SampleResponder::~SampleResponder() = default;

bool SampleResponder::Open(std::string* error) {
    for (int port = settings_.firstPort; port <= settings_.lastPort; ++port) {
        try {
            std::shared_ptr<CSocket> socket = CSocket::Create();
            socket->SetProtocol(CSocket::kUdp);
            socket->Bind(port, settings_.bind);
            ports_.push_back(std::make_unique<Port>(*this, std::move(socket), ports_.size()));
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
    const int publicSlots = Serving().maxPlayers - Serving().reserved;
    if (!Serving().freeAfterSeconds) {
        return std::min(Serving().players, Serving().maxPlayers);
    }
    const std::chrono::duration<double> running = now_() - started_;
    return running.count() < *Serving().freeAfterSeconds ? publicSlots : std::max(publicSlots - 1, 0);
}

SampleResponder::Pairs SampleResponder::ServerPairs() const {
    const int players = PlayersNow();
    return {
        {"hostname", Serving().hostname},
        {"hostport", "15567"},
        {"mapname", Serving().map},
        {"gametype", "conquest"},
        {"numplayers", std::to_string(players)},
        {"maxplayers", std::to_string(Serving().maxPlayers)},
        {"gamemode", "openplaying"},
        {"password", Serving().password ? "1" : "0"},
        {"gamever", "v1.21"},
        {"dedicated", "1"},
        {"status", "3"},
        {"game_id", "bfvietnam"},
        {"mapid", "BfVietnam"},
        {"sv_punkbuster", "0"},
        {"timelimit", "3600"},
        {"number_of_rounds", "3"},
        {"spawn_wave_time", "15"},
        {"spawn_delay", "5"},
        {"soldier_friendly_fire", "100"},
        {"vehicle_friendly_fire", "100"},
        {"game_start_delay", "30"},
        {"ticket_ratio", "100"},
        {"allow_nose_cam", "1"},
        {"external_view", "1"},
        {"us_team_ratio", "1"},
        {"nva_team_ratio", "1"},
        {"bandwith_choke_limit", "0"},
        {"free_camera", "0"},
        {"auto_balance_teams", "1"},
        {"name_tag_distance", "100"},
        {"name_tag_distance_scope", "300"},
        {"kickback", "0"},
        {"kickback_on_splash", "0"},
        {"soldier_friendly_fire_on_splash", "100"},
        {"vehicle_friendly_fire_on_splash", "100"},
        {"cpu", "2800"},
        {"bot_skill", "0.5"},
        {"reservedslots", std::to_string(Serving().reserved)},
        {"active_mods", "BfVietnam"},
        {"all_active_mods", "BfVietnam"},
        {"game_id_name", "BFVIETNAM"},
    };
}

SampleResponder::Pairs SampleResponder::PlayerPairs() const {
    static const char* const kNames[] = {"Jérôme", "Sgt. Baker", "Nguyen", "Doc", "Hawkeye", "Tran", "Rookie"};
    Pairs pairs;
    for (int i = 0; i < PlayersNow(); ++i) {
        const std::string n = std::to_string(i);
        const std::string name = std::string(kNames[i % 7]) + (i >= 7 ? " " + std::to_string(i / 7) : "");
        pairs.emplace_back("player_" + n, name);
        pairs.emplace_back("team_" + n, std::to_string(i % 2 + 1));
        pairs.emplace_back("score_" + n, std::to_string((i * 7) % 40));
        pairs.emplace_back("kills_" + n, std::to_string((i * 5) % 25));
        pairs.emplace_back("deaths_" + n, std::to_string((i * 3) % 15));
        pairs.emplace_back("ping_" + n, std::to_string(30 + (i * 11) % 90));
    }
    return pairs;
}

std::string SampleResponder::Reply() const {
    std::string reply;
    for (const Pairs& pairs : {ServerPairs(), PlayerPairs()}) {
        for (const auto& [key, value] : pairs) {
            reply += "\\" + key + "\\" + value;
        }
    }
    // Real servers end a reply so; other clients wait for the "final" key.
    reply += "\\final\\\\queryid\\1.1";
    return reply;
}

std::vector<std::string> SampleResponder::Parts(const Pairs& pairs) {
    const std::string id = std::to_string(nextQueryId_++);
    // Room for the longest trailer: "\final\\queryid\" + id + "." + part.
    const std::size_t room = kPartBytes - 32;
    std::vector<std::string> parts(1);
    for (const auto& [key, value] : pairs) {
        const std::string pair = "\\" + platform::Utf8ToAnsi(key) + "\\" + platform::Utf8ToAnsi(value);
        if (!parts.back().empty() && parts.back().size() + pair.size() > room) {
            parts.emplace_back();
        }
        parts.back() += pair;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i + 1 == parts.size()) {
            parts[i] += "\\final\\";
        }
        parts[i] += "\\queryid\\" + id + "." + std::to_string(i + 1);
    }
    if (settings_.shuffleParts) {
        // A fixed sequence is enough to bring the parts out of order.
        for (std::size_t i = parts.size(); i > 1; --i) {
            shuffleState_ = shuffleState_ * 1664525u + 1013904223u;
            std::swap(parts[i - 1], parts[(shuffleState_ >> 8) % i]);
        }
    }
    return parts;
}

namespace {

void PutGameSpy2Count(std::string& reply, int count) {
    reply += static_cast<char>((count >> 8) & 0xFF);
    reply += static_cast<char>(count & 0xFF);
}

}  // namespace

std::string SampleResponder::GameSpy2(std::string_view request) const {
    // The three bytes after the id ask for the server keys, the players and the teams; the
    // reply holds the sections asked for, in that order.
    const bool serverKeys = request[7] != '\0';
    const bool players = request[8] != '\0';
    const bool teams = request[9] != '\0';
    std::string reply(1, '\0');
    reply += request.substr(3, 4);  // the asker's id
    if (serverKeys) {
        for (const auto& [key, value] : ServerPairs()) {
            reply += platform::Utf8ToAnsi(key) + '\0' + platform::Utf8ToAnsi(value) + '\0';
        }
        reply += '\0';
    }
    if (players) {
        const int count = PlayersNow();
        PutGameSpy2Count(reply, count);
        const Pairs playerPairs = PlayerPairs();
        static const char* const kFields[] = {"player_", "score_", "deaths_", "ping_", "team_", "kills_"};
        for (const char* field : kFields) {
            reply += std::string(field) + '\0';
        }
        reply += '\0';
        for (int i = 0; i < count; ++i) {
            for (const char* field : kFields) {
                const std::string key = field + std::to_string(i);
                for (const auto& [name, value] : playerPairs) {
                    if (name == key) {
                        reply += platform::Utf8ToAnsi(value) + '\0';
                    }
                }
            }
        }
    }
    if (teams) {
        PutGameSpy2Count(reply, 2);
        reply += std::string("team_t") + '\0' + "tickets_t" + '\0' + '\0';
        reply += std::string("US") + '\0' + "250" + '\0' + "NVA" + '\0' + "250" + '\0';
    }
    return reply;
}

SampleResponder::Pairs SampleResponder::BasicPairs() const {
    return {{"gamename", "bfvietnam"}, {"gamever", "v1.21"}, {"location", "0"}};
}

// What the query standard answers to a request: the share of each query word found in it,
// in a fixed order, "status" standing for all four; nothing when it holds none.
SampleResponder::Pairs SampleResponder::StandardAnswer(std::string_view request) const {
    static const char* const kInfoKeys[] = {"hostname",   "hostport",   "mapname", "gametype",
                                            "numplayers", "maxplayers", "gamemode"};
    const auto isInfo = [](const std::string& key) {
        return std::find(std::begin(kInfoKeys), std::end(kInfoKeys), key) != std::end(kInfoKeys);
    };
    const auto asks = [request](std::string_view word) {
        return request.find(word) != std::string_view::npos || request.find("status") != std::string_view::npos;
    };
    Pairs answer;
    const bool basic = asks("basic");
    if (basic) {
        answer = BasicPairs();
    }
    const bool info = asks("info");
    const bool rules = asks("rules");
    for (const bool wantInfo : {true, false}) {
        if (wantInfo ? !info : !rules) {
            continue;
        }
        for (auto& pair : ServerPairs()) {
            // The game's version is said once, with the basic keys when they are asked too.
            if (isInfo(pair.first) == wantInfo && !(basic && pair.first == "gamever")) {
                answer.push_back(std::move(pair));
            }
        }
    }
    if (asks("players")) {
        const Pairs players = PlayerPairs();
        answer.insert(answer.end(), players.begin(), players.end());
    }
    return answer;
}

std::vector<std::string> SampleResponder::AnswersOn(std::size_t index, std::string_view request) {
    serving_ = std::min(index, served_.size() - 1);
    std::vector<std::string> answers = Answers(request);
    serving_ = 0;
    return answers;
}

std::vector<std::string> SampleResponder::Answers(std::string_view request) {
    const bool gameSpy2 = request.size() >= 10 && request.substr(0, 3) == std::string_view("\xFE\xFD\x00", 3);
    const bool text = !request.empty() && request[0] == '\\';
    switch (settings_.dialect) {
        case Dialect::kFull:
            if (text) {
                return {settings_.replyBytes ? std::string(settings_.replyBytes->begin(), settings_.replyBytes->end())
                                             : platform::Utf8ToAnsi(Reply())};
            }
            return {};
        case Dialect::kStandard: {
            if (!text) {
                return {};
            }
            const Pairs answer = StandardAnswer(request);
            return answer.empty() ? std::vector<std::string>{} : Parts(answer);
        }
        case Dialect::kGameSpy2:
            if (gameSpy2) {
                return {GameSpy2(request)};
            }
            return {};
    }
    return {};
}

void SampleResponder::Answer(CSocket& socket, std::size_t index) {
    Variant request;
    socket.GetData(request, Variant::Integer(static_cast<std::int16_t>(VarType::kByteArray)));
    if (request.Type() != VarType::kByteArray) {
        return;
    }
    const std::vector<std::uint8_t>& bytes = request.AsBytes();
    const std::vector<std::string> answers =
        AnswersOn(index, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (answers.empty()) {
        return;
    }
    // The socket now names the sender as its remote side, so the reply goes back to it.
    try {
        for (const std::string& answer : answers) {
            socket.SendData(Variant::Bytes(std::vector<std::uint8_t>(answer.begin(), answer.end())));
        }
    } catch (const SocketError&) {
        return;  // the asker is gone; the next one is answered all the same
    }
    if (onReply_) {
        serving_ = std::min(index, served_.size() - 1);
        const std::string counts = std::to_string(PlayersNow()) + "/" + std::to_string(Serving().maxPlayers);
        serving_ = 0;
        onReply_("reply to " + socket.RemoteHostIP() + ":" + std::to_string(socket.RemotePort()) + " (" + counts +
                 " players)");
    }
}

}  // namespace vantorel
