#pragma once
// What the Servers window reaches through the launcher: its favourites with their checks,
// its start of the game, and the stats window beside it.

#include "browse/frm_servers.h"
#include "launcher/frm_interface.h"

namespace vantorel {

class LauncherServersLink : public browse::ServersWindowLink {
  public:
    LauncherServersLink(frmInterface& launcher, StatsWindowLink& stats) : launcher_(launcher), stats_(stats) {}

    std::vector<browse::FavoriteServer> Favorites() override;
    std::string FavoriteRefusal(const browse::FavoriteServer& favorite) override;
    std::optional<std::string> ExistingFavorite(const std::string& name) override;
    std::string SaveFavorite(const browse::FavoriteServer& favorite) override;
    std::string Join(const std::string& address) override;
    void ShowInStats(const browse::ServerTarget& server) override;
    void WaitForSlot(const browse::ServerTarget& server) override;

  private:
    frmInterface& launcher_;
    StatsWindowLink& stats_;
};

}  // namespace vantorel
