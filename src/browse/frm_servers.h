#pragma once
// The logic of the Servers window: the masters' lists merged with the favourites and the
// kept list, every server asked for its status as the list fills, sorted and filtered as
// the user asks, and joined, added to the favourites or shown in the stats window in one
// step. Its window only draws this state and forwards the user's input.

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "browse/list_merge.h"
#include "browse/masters_file.h"
#include "browse/server_list.h"
#include "browse/server_source.h"
#include "browse/type_ahead.h"
#include "forms/controls.h"

namespace vantorel::browse {

// A server as the launcher and the stats window take it.
struct ServerTarget {
    std::string host;
    std::uint16_t queryPort = 0;
    std::uint16_t gamePort = 0;
    std::string name;
    bool operator==(const ServerTarget&) const = default;
};

// A favourite as the launcher's store holds it.
struct FavoriteServer {
    std::string name;
    std::string server;
    std::string port;
    bool operator==(const FavoriteServer&) const = default;
};

// The stats window asks a favourite at this port, whatever its game port.
inline constexpr std::uint16_t kFavoriteQueryPort = 23000;

// What the Servers window asks of the launcher and the stats window.
class ServersWindowLink {
  public:
    virtual ~ServersWindowLink() = default;
    // The favourites that are not removed.
    virtual std::vector<FavoriteServer> Favorites() = 0;
    // The store's checks of a new favourite: why it cannot be saved, or the empty text.
    virtual std::string FavoriteRefusal(const FavoriteServer& favorite) = 0;
    // The name of a favourite of that name in any letter case, if there is one.
    virtual std::optional<std::string> ExistingFavorite(const std::string& name) = 0;
    // Why the save failed, or the empty text.
    virtual std::string SaveFavorite(const FavoriteServer& favorite) = 0;
    // Starts the game into "IP:PORT" with the launcher's profile and mod, as the launcher's
    // own join does: why it did not start, or the empty text.
    virtual std::string Join(const std::string& address) = 0;
    // The stats window queries the server, refreshes it and offers its slot wait.
    virtual void ShowInStats(const ServerTarget& server) = 0;
    // The stats window waits for a free slot on the server and then joins it.
    virtual void WaitForSlot(const ServerTarget& server) = 0;
};

class ServersWindowView : public ServerListObserver {
  public:
    virtual void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    virtual void CopyToClipboard(const std::string& text) = 0;
};

class frmServers : public ServerSourceEvents {
  public:
    using Clock = std::chrono::steady_clock;
    // The key codes that the window forwards to Form_KeyDown, as Windows numbers them.
    static constexpr int kKeyReturn = 0x0D;
    static constexpr int kKeyF5 = 0x74;
    static constexpr const char* kVersionUnknown =
        "The game's version cannot be read reliably from its folder, so servers cannot be matched to it.";

    struct Options {
        std::string mastersPath;   // Vantorel.ini beside the program
        std::string keptListPath;  // empty when there is no game folder to keep it in
        // The game's own version, when it is known; else why not.
        std::optional<std::string> gameVersion;
        std::string versionUnknown = kVersionUnknown;
        // Servers that wait for their answers at a time.
        int mostAtOnce = 256;
        std::function<Clock::time_point()> now = [] { return Clock::now(); };
        // The date and time a kept list is saved with; the system's clock when not given.
        std::function<std::string()> stamp;
    };

    frmServers(ServersWindowView& view, ServersWindowLink& link, ServerSource& source, Options options);
    ~frmServers() override;
    frmServers(const frmServers&) = delete;
    frmServers& operator=(const frmServers&) = delete;

    // The controls.
    TextBox txtSearch;
    CheckBox chkNotEmpty{"Not empty"};
    CheckBox chkNotFull{"Not full"};
    CheckBox chkNoPassword{"No password"};
    CheckBox chkSameVersion{"Same version as mine"};
    Label lblStatus;
    Label lblMasters;
    Label lblHidden;

    const ServerList& List() const { return list_; }
    // Why "Same version as mine" cannot be ticked; empty when it can.
    std::string SameVersionUnavailable() const;

    // The window's events.
    void Form_Load();
    void Form_Unload();
    void Form_KeyDown(int key);
    void txtSearch_Change() { ApplyFilters(); }
    void chkNotEmpty_Click() { ApplyFilters(); }
    void chkNotFull_Click() { ApplyFilters(); }
    void chkNoPassword_Click() { ApplyFilters(); }
    void chkSameVersion_Click();
    void lvwServers_ColumnClick(int column);
    void lvwServers_ItemClick(int row);
    void lvwServers_DblClick() { Join(); }
    void lvwServers_KeyPress(std::string_view typed);
    void lblJoin_Click() { Join(); }
    void lblAddFav_Click() { AddFavorite(); }
    void lblRefresh_Click() { Refresh(); }
    // The right-click menu, on the row the click selected.
    void mnuJoin_Click() { Join(); }
    void mnuAddFav_Click() { AddFavorite(); }
    void mnuCopyAddress_Click();

    // Asks the masters and every server again; the rows keep their values until answers come.
    void Refresh();

    void OnMasterList(std::size_t master, const MasterList& list) override;
    void OnServerAnswer(const ServerKey& server, const ServerAnswer& answer) override;
    void OnServerFailed(const ServerKey& server, const std::string& reason) override;

  private:
    struct MasterState {
        bool done = false;
        std::size_t servers = 0;
        std::optional<MasterFault> fault;
    };

    void MergeFavorites();
    void Ask();
    void MastersDone();
    void KeepList();
    void ApplyFilters();
    void Join();
    void AddFavorite();
    std::optional<ServerTarget> Selected() const;
    void ShowStatus();
    void Error(const std::string& text);

    ServersWindowView& view_;
    ServersWindowLink& link_;
    ServerSource& source_;
    Options options_;
    ServerList list_;
    TypeAhead typeAhead_;
    MastersSetting masters_;
    std::vector<MasterState> masterStates_;
    ListMerge merge_;
    // The servers asked in this refresh whose reports have not come yet.
    std::set<ServerKey> asking_;
    bool mastersDone_ = false;
    std::string keptSaved_;    // when the kept list shown at the start was saved
    std::string keptProblem_;  // why the kept list could not be read or written
};

}  // namespace vantorel::browse
