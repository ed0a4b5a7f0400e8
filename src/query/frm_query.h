#pragma once
// The logic of the stats window: it asks one game server for its status over UDP, shows
// each reply, asks again every 10 seconds once a first reply has come, and can wait for a
// free player slot and then start the game into that server.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/combo_box.h"
#include "forms/controls.h"
#include "forms/window_surface.h"
#include "net/csocket.h"
#include "query/query_session.h"

namespace vantorel {

// What the stats window does beyond its controls.
class StatsWindowView {
  public:
    virtual ~StatsWindowView() = default;
    // Suspends and resumes the drawing of the window around a display refresh.
    virtual void FreezeDrawing() = 0;
    virtual void UnfreezeDrawing() = 0;
    virtual void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) = 0;
    // Draws what changed at once, before a call that keeps the thread for a while.
    virtual void DrawNow() {}
};

// The stats window's real window, for its load, its docking and its look.
class StatsWindowSurface : public WindowSurface {
  public:
    // Places the window's top-left corner, in screen twips.
    virtual void MoveTo(int leftTwips, int topTwips) = 0;
    // Where the window is, and the work area of the launcher's screen, in screen twips.
    virtual TwipsRect Bounds() const = 0;
    virtual TwipsRect WorkArea() const = 0;
};

// What the launcher gives the stats window: its controls that an automatic launch reads,
// and its start of the game. LaunchGame joins `server` with the profile and the mod, and
// answers why nothing was started, or nothing when the game started.
struct LauncherControls {
    using Launch = std::function<std::optional<std::string>(const std::string& profile, const std::string& mod,
                                                            const std::string& server)>;
    const TextBox& txtIP;
    const TextBox& txtPort;
    const ComboBox& cmbProfiles;
    const ComboBox& cmbMods;
    Launch LaunchGame;
};

class frmQuery : public CSocketEvents {
  public:
    static constexpr std::int32_t kQueryPort = 23000;
    static constexpr std::int32_t kLocalPort = 1000;

    // Time is the platform clock's (platform::Now).
    struct Options {
        std::int32_t queryPort = kQueryPort;
        QueryProtocol protocol = QueryProtocol::kAuto;
    };

    frmQuery(StatsWindowView& view, const LauncherControls* launcher, Options options);
    frmQuery(StatsWindowView& view, const LauncherControls* launcher) : frmQuery(view, launcher, Options{}) {}
    ~frmQuery() override;

    // The controls.
    Label lblTitle{"Server Stats"};
    Label lblServerTitle;
    Label lblMap;
    Label lblPlayers;
    ListBox lstPlayers;
    CheckBox chkWaitForSlot{"Wait for a free slot, then join"};
    Timer tmrRefresh{10000};
    Timer tmrTimeout{1500};
    // The query's own steps between the request and the timeout: the other forms asked, the
    // request asked again, the missing parts of a split reply given up. It ticks at the pace
    // of the first of them while the query has one ahead.
    Timer tmrParts{static_cast<unsigned>(QuerySession::kNextFormDelay.count())};

    // The window this logic drives, and where the launcher window is.
    void AttachWindow(StatsWindowSurface& surface, std::function<TwipsRect()> launcherBounds);

    // The window's events.
    void Form_Load();
    void Form_Unload() { Release(); }
    void Form_Resize();
    void Form_MouseMove(unsigned buttons);
    void lblTitle_MouseMove(unsigned buttons);
    // Puts this window against the launcher's right edge, tops aligned; where the screen has
    // no room there, against its left edge or below it.
    void ReDock();

    // Start of the status monitor: the socket object, UDP, local port 1000.
    void Start();
    // Releases the socket object; what the window does when it unloads.
    void Release();

    // The user picked a favourite: query its address, and say so if no reply comes. A pick of
    // another server ends a slot wait. After a timeout, or a closed port, the refresh goes on
    // asking, so that a server that comes back shows by itself.
    void SendQuery(const std::string& address);
    // A server picked in the Servers window: it is asked at its own query port, and a slot
    // wait joins it at its game port, whatever the launcher's boxes hold.
    void ShowServer(const std::string& host, std::int32_t queryPort, const std::string& gamePort);
    // The same, with the slot wait armed: the game starts into it once a public slot is free.
    void WaitForSlot(const std::string& host, std::int32_t queryPort, const std::string& gamePort);
    void ClearDisplay();
    // The launcher's boxes no longer name the server whose slot is awaited: untick the box.
    void CancelSlotWait();
    // The launcher's boxes name no server any more: nothing is asked or awaited, and the
    // window goes back to how it was at start.
    void StopQuery();
    void chkWaitForSlot_Click();

    void tmrRefresh_Timer();
    void tmrTimeout_Timer();
    void tmrParts_Timer();

    // Socket events.
    void OnDataArrival(std::int32_t bytesTotal) override;
    void OnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) override;
    void OnError(std::int16_t Number, const std::string& Description, std::int32_t Scode, const std::string& Source,
                 const std::string& HelpFile, std::int32_t HelpContext, bool& CancelDisplay) override;

    const std::string& QueryAddress() const { return queryAddress_; }
    CSocket* Sock() const { return sock_.get(); }

    // Runs after each reply is shown, while the server record and the player table still
    // hold that reply; `players` is how many entries its parse filled.
    void SetOnReplyShown(std::function<void(int players)> hook) { onReplyShown_ = std::move(hook); }
    // Runs when a query fails, with the reason.
    void SetOnQueryFailed(std::function<void(const std::string& reason)> hook) { onQueryFailed_ = std::move(hook); }

  private:
    // The user picked a server: a pick of another one ends a slot wait.
    void Pick(const std::string& address, std::int32_t queryPort, const std::string& gamePort);
    bool Query(const std::string& address);
    void Send(const std::string& request);
    // Points the socket at the user's server and its query port.
    void Aim();
    // Once a host name's lookup has given the socket an address, that address is the target.
    void NoteResolvedTarget();
    void Act(QuerySession::Action action);
    // Runs tmrParts while the session has a step of its own ahead.
    void FollowSessionDeadline();
    void GiveUp();
    void PortClosed();
    void ShowReply(QueryReply reply);
    // Shows the parsed reply of query number `query`, and stops if another query starts meanwhile.
    void ShowServerStats(std::uint64_t query);
    void QueryFailed(const std::string& reason);
    // The slot box shows while the server is full and while a wait is armed.
    void ShowSlotBox();
    // The title over a shown reply: it says when a slot wait is armed.
    std::string ShownTitle() const;
    // The player list keeps the line in view and the selected player across its refills.
    void RememberListView();
    void RestoreListView();

    StatsWindowView& view_;
    const LauncherControls* launcher_;
    StatsWindowSurface* surface_ = nullptr;
    std::function<TwipsRect()> launcherBounds_;
    Options options_;
    std::shared_ptr<CSocket> sock_;
    std::string queryAddress_;
    // Where the current query went, as a 32-bit IPv4 address; a datagram from anywhere else
    // is not this server's. Empty until the address is known.
    std::optional<std::uint32_t> target_;
    std::optional<QuerySession> session_;
    // Counts the queries, so that a reply of an earlier one that is still being shown when the
    // next starts stops there and leaves the new query alone.
    std::uint64_t queryNumber_ = 0;
    DialectMemory dialects_;
    std::uint32_t nextRequestId_;
    // The server of the user's pick, with the launcher's port then: where a slot wait joins.
    std::string pickedAddress_;
    std::string pickedPort_;
    std::int32_t queryPort_;                 // where the picked server answers queries
    bool fullShown_ = false;                 // the reply shown says the server is full
    std::vector<std::string> shownPlayers_;  // the names of the player lines, in order
    int keptTop_ = 0;
    std::string keptPlayer_;
    std::function<void(int)> onReplyShown_;
    std::function<void(const std::string&)> onQueryFailed_;
};

}  // namespace vantorel
