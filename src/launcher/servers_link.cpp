#include "launcher/servers_link.h"

#include "launcher/mod_favorites.h"

namespace vantorel {
namespace {

// A game port that is not known yet is left for the server's reply to name.
std::string GamePortText(const browse::ServerTarget& server) {
    return server.gamePort == 0 ? std::string() : std::to_string(server.gamePort);
}

}  // namespace

std::vector<browse::FavoriteServer> LauncherServersLink::Favorites() {
    std::vector<browse::FavoriteServer> favorites;
    for (modFavorites::Favorite& favorite : modFavorites::ReadFavorites()) {
        // A section without its server names nothing to ask.
        if (favorite.server != modFavorites::kMissingValue) {
            favorites.push_back({std::move(favorite.name), std::move(favorite.server), std::move(favorite.port)});
        }
    }
    return favorites;
}

std::string LauncherServersLink::FavoriteRefusal(const browse::FavoriteServer& favorite) {
    return launcher_.FavoriteRefusal(favorite.name, favorite.server, favorite.port);
}

std::optional<std::string> LauncherServersLink::ExistingFavorite(const std::string& name) {
    const std::optional<modFavorites::Favorite> existing = modFavorites::FindFavorite(name);
    return existing ? std::optional<std::string>(existing->name) : std::nullopt;
}

std::string LauncherServersLink::SaveFavorite(const browse::FavoriteServer& favorite) {
    const modFavorites::SaveResult saved = modFavorites::SaveFavorite(favorite.name, favorite.server, favorite.port);
    if (!saved.ok) {
        return saved.reason;
    }
    launcher_.FavoritesChanged();
    return {};
}

std::string LauncherServersLink::Join(const std::string& address) {
    return launcher_.JoinServer(address);
}

void LauncherServersLink::ShowInStats(const browse::ServerTarget& server) {
    stats_.ShowServer(server.host, server.queryPort, GamePortText(server));
}

void LauncherServersLink::WaitForSlot(const browse::ServerTarget& server) {
    stats_.WaitForSlot(server.host, server.queryPort, GamePortText(server));
}

}  // namespace vantorel
