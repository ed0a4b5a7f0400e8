#pragma once
// What the masters know this game by, and the masters that still list it.

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

namespace vantorel::browse {

inline constexpr std::string_view kGameName = "bfvietnam";
inline constexpr std::string_view kGameKey = "h2P9dJ";
inline constexpr std::uint16_t kNewerMasterPort = 28910;
inline constexpr std::uint16_t kLegacyMasterPort = 28900;

// The fields the game's own browser asks a newer master for.
inline constexpr std::string_view kBrowserFields =
    "\\hostname\\hostport\\mapname\\gametype\\numplayers\\maxplayers\\gamemode\\password\\dedicated\\status"
    "\\gamever\\game_id\\map_id\\sv_punkbuster\\reservedslots\\active_mods\\spectatorsallowed";

// Which list protocol to speak. kDetect tells them apart by who speaks first: a legacy
// master greets at once, a newer one waits for the request.
enum class ListProtocol { kDetect, kNewer, kLegacy };

// How long a client waits for a greeting before it takes the master for a newer one. A
// legacy master greets as it accepts, so its greeting is one round trip behind the
// connection at most: half a second covers the far side of the world.
inline constexpr std::chrono::milliseconds kGreetingWait{500};
// Within that, the wait is this many times the connection's round trip, and at least the
// shortest wait.
inline constexpr int kGreetingRoundTrips = 4;
inline constexpr std::chrono::milliseconds kShortestGreetingWait{30};

struct CommunityMaster {
    std::string_view host;
    std::uint16_t port;
    ListProtocol protocol;
};

// The community masters that carry this game; any of them may be down at any time.
inline constexpr std::array<CommunityMaster, 3> kCommunityMasters{{
    {"bfvietnam.ms0.openspy.net", kNewerMasterPort, ListProtocol::kNewer},
    {"bfvietnam.master.openspy.net", kLegacyMasterPort, ListProtocol::kLegacy},
    {"master2.qtracker.com", kLegacyMasterPort, ListProtocol::kLegacy},
}};

}  // namespace vantorel::browse
