// The stats window's status monitor: the query, the replies, the display and the timers.

#include <algorithm>

#include "common/text.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "platform/socket_library.h"
#include "platform/winsock_numbers.h"
#include "query/frm_query.h"
#include "query/mod_bfv_query_parse.h"
#include "query/reply_gate.h"
#include "query/stats_display.h"

namespace vantorel {

namespace {

constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;  // what inet_addr answers for no address
constexpr const char* kStatsTitle = "Server Stats";
constexpr const char* kWaitingTitle = "Waiting for a free slot...";

}  // namespace

frmQuery::frmQuery(StatsWindowView& view, const LauncherControls* launcher, Options options)
    : view_(view),
      launcher_(launcher),
      options_(std::move(options)),
      // Ids that differ from one run to the next, so that a late reply to an earlier run's
      // request is not taken for this one's.
      nextRequestId_(static_cast<std::uint32_t>(platform::Now().time_since_epoch().count())),
      queryPort_(options_.queryPort) {
    chkWaitForSlot.SetVisible(false);
    chkWaitForSlot.SetOnClick([this] { chkWaitForSlot_Click(); });
}

frmQuery::~frmQuery() {
    Release();
}

void frmQuery::Start() {
    try {
        sock_ = CSocket::Create();
    } catch (const SocketError&) {
        // Without the socket library every query fails, and says so.
        sock_.reset();
        return;
    }
    sock_->SetListener(this);
    sock_->SetProtocol(CSocket::kUdp);
    sock_->SetLocalPort(kLocalPort);
}

void frmQuery::Release() {
    TheReplyGate().Withdraw(this);
    tmrRefresh.SetEnabled(false);
    tmrTimeout.SetEnabled(false);
    tmrParts.SetEnabled(false);
    if (sock_) {
        sock_->SetListener(nullptr);
        sock_.reset();
    }
}

void frmQuery::ClearDisplay() {
    lblServerTitle.SetCaption("");
    lblMap.SetCaption("");
    lblPlayers.SetCaption("");
    fullShown_ = false;
    ShowSlotBox();
    lstPlayers.Clear();
    shownPlayers_.clear();
}

void frmQuery::ShowSlotBox() {
    // A ticked box stays in sight through refreshes and silences: it is what says that the
    // window will start the game by itself.
    chkWaitForSlot.SetVisible(fullShown_ || chkWaitForSlot.Value() == 1);
}

std::string frmQuery::ShownTitle() const {
    return chkWaitForSlot.Value() == 1 ? kWaitingTitle : kStatsTitle;
}

void frmQuery::chkWaitForSlot_Click() {
    ShowSlotBox();
    const std::string& title = lblTitle.Caption();
    if (title == kStatsTitle || title == kWaitingTitle) {
        lblTitle.SetCaption(ShownTitle());
    }
}

void frmQuery::CancelSlotWait() {
    chkWaitForSlot.SetValue(0);
    chkWaitForSlot_Click();
}

void frmQuery::StopQuery() {
    TheReplyGate().Withdraw(this);
    session_.reset();
    target_.reset();
    queryAddress_.clear();
    pickedAddress_.clear();
    pickedPort_.clear();
    tmrRefresh.SetEnabled(false);
    tmrTimeout.SetEnabled(false);
    tmrParts.SetEnabled(false);
    chkWaitForSlot.SetValue(0);
    keptTop_ = 0;
    keptPlayer_.clear();
    ClearDisplay();
    lblTitle.SetCaption(kStatsTitle);
}

void frmQuery::RememberListView() {
    // An empty list (a refresh under way, a silent server) keeps what was kept before.
    if (lstPlayers.ListCount() == 0) {
        return;
    }
    keptTop_ = lstPlayers.TopIndex();
    const int selected = lstPlayers.ListIndex();
    keptPlayer_ = selected >= 0 && static_cast<std::size_t>(selected) < shownPlayers_.size()
                      ? shownPlayers_[static_cast<std::size_t>(selected)]
                      : std::string();
}

void frmQuery::RestoreListView() {
    // The selection follows the player, whose line moves as the scores change; the view
    // stays on the same line number.
    if (!keptPlayer_.empty()) {
        for (std::size_t i = 0; i < shownPlayers_.size(); ++i) {
            if (shownPlayers_[i] == keptPlayer_) {
                lstPlayers.SetListIndex(static_cast<int>(i));
                break;
            }
        }
    }
    if (keptTop_ > 0 && lstPlayers.ListCount() > 0) {
        lstPlayers.SetTopIndex(std::min(keptTop_, lstPlayers.ListCount() - 1));
    }
}

void frmQuery::SendQuery(const std::string& address) {
    Pick(address, options_.queryPort, launcher_ ? Trim(launcher_->txtPort.Text()) : std::string());
}

void frmQuery::ShowServer(const std::string& host, std::int32_t queryPort, const std::string& gamePort) {
    Pick(host, queryPort, gamePort);
}

void frmQuery::WaitForSlot(const std::string& host, std::int32_t queryPort, const std::string& gamePort) {
    Pick(host, queryPort, gamePort);
    chkWaitForSlot.SetValue(1);
    chkWaitForSlot_Click();
}

void frmQuery::Pick(const std::string& address, std::int32_t queryPort, const std::string& gamePort) {
    // A pick of another server, or of the same one under another port, is not the server
    // whose free slot the box waits for.
    if (address != pickedAddress_ || gamePort != pickedPort_ || queryPort != queryPort_) {
        CancelSlotWait();
    }
    if (queryPort != queryPort_) {
        queryAddress_.clear();  // another server of that host: its list view starts afresh
    }
    pickedAddress_ = address;
    pickedPort_ = gamePort;
    queryPort_ = queryPort;
    Query(address);
}

bool frmQuery::Query(const std::string& address) {
    if (address == queryAddress_) {
        RememberListView();
    } else {
        keptTop_ = 0;
        keptPlayer_.clear();
    }
    queryAddress_ = address;
    ++queryNumber_;
    // Parts held for the last query, of this server or another, never show under this one,
    // nor does a whole reply of it that still waits for its turn to be shown.
    TheReplyGate().Withdraw(this);
    session_.emplace(address, options_.protocol, &dialects_, nextRequestId_++, platform::Now(),
                     std::chrono::milliseconds(tmrTimeout.Interval()));
    tmrParts.SetEnabled(false);
    target_.reset();
    lblTitle.SetCaption("Updating Stats...");
    try {
        if (!sock_) {
            throw SocketError(0, "The socket library could not be started.", "frmQuery.SendQuery");
        }
        ClearDisplay();  // the ticked state of the box stays as it was
        Send(session_->Request());
    } catch (const SocketError& error) {
        QueryFailed(error.Description());
        return false;
    }
    // Every query, a refresh's too, waits one timeout for its answer.
    tmrTimeout.Restart();
    if (session_->Deadline()) {
        tmrParts.Restart();
    }
    return true;
}

void frmQuery::Send(const std::string& request) {
    Aim();
    sock_->SendData(Variant::Bytes(std::vector<std::uint8_t>(request.begin(), request.end())));
    // A host name is looked up by the send; once it has an address, that is the target.
    NoteResolvedTarget();
}

void frmQuery::Aim() {
    // Every datagram received rewrites the socket's remote side with its sender, so each
    // request, the follow-ups included, is aimed at the user's server afresh, at its query
    // port, whatever the socket holds.
    platform::SocketLibrary& sockets = *platform::Current().sockets;
    const std::uint32_t literal = sockets.InetAddr(queryAddress_);
    if (literal != kNoAddress) {
        target_ = literal;
        sock_->SetRemoteHost(queryAddress_);
    } else if (target_) {
        sock_->SetRemoteHost(sockets.InetNtoa(*target_));  // the name's address, looked up already
    } else {
        // A name is looked up afresh: a sender whose reverse name is that very name would
        // otherwise leave its own address behind for the socket to keep.
        sock_->SetRemoteHost("");
        sock_->SetRemoteHost(queryAddress_);
    }
    if (sock_->RemotePort() != queryPort_) {
        sock_->SetRemotePort(queryPort_);
    }
}

void frmQuery::NoteResolvedTarget() {
    const std::string& address = sock_->RemoteHostIP();
    if (target_ || address.empty()) {
        return;
    }
    const std::uint32_t resolved = platform::Current().sockets->InetAddr(address);
    if (resolved != kNoAddress) {
        target_ = resolved;
    }
}

void frmQuery::QueryFailed(const std::string& reason) {
    ClearDisplay();
    lblTitle.SetCaption("Invalid Server Response");
    tmrTimeout.SetEnabled(false);
    if (onQueryFailed_) {
        onQueryFailed_(reason);
    }
}

void frmQuery::OnSendProgress(std::int32_t bytesSent, std::int32_t) {
    // The address the request went to, known once it has gone (after a lookup that did not
    // finish inside the send).
    if (bytesSent > 0 && sock_) {
        NoteResolvedTarget();
    }
}

void frmQuery::OnError(std::int16_t Number, const std::string& Description, std::int32_t, const std::string&,
                       const std::string&, std::int32_t, bool&) {
    // A datagram too large for Winsock is dropped without a word there; here too, so that a
    // sender of one cannot end the query, and the user sees what the Windows build shows.
    if (Number == winsock::kWsaEmsgsize) {
        return;
    }
    // Winsock tells of a "port unreachable" answer to the request as a reset on the next
    // receive: nothing listens on the server's query port.
    if (Number == winsock::kWsaEconnreset) {
        PortClosed();
        return;
    }
    // A server name that does not resolve, or a send the network refused.
    QueryFailed(Description);
}

void frmQuery::OnDataArrival(std::int32_t) {
    Variant data;
    try {
        sock_->GetData(data, Variant::Integer(static_cast<std::int16_t>(VarType::kByteArray)));
    } catch (const SocketError&) {
        return;
    }
    // Only the server that was asked may change what the window shows, compared as a 32-bit
    // address, not as text. The sender's port is not checked, since some servers answer
    // from another one.
    if (data.Type() != VarType::kByteArray || !session_ || !target_ ||
        platform::Current().sockets->InetAddr(sock_->RemoteHostIP()) != *target_) {
        return;
    }
    const std::vector<std::uint8_t>& bytes = data.AsBytes();
    Act(session_->OnDatagram(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                             platform::Now()));
}

void frmQuery::Act(QuerySession::Action action) {
    switch (action.kind) {
        case QuerySession::Action::Kind::kNothing: break;
        case QuerySession::Action::Kind::kShow:
            if (!tmrRefresh.Enabled()) {
                tmrRefresh.SetEnabled(true);
            }
            ShowReply(std::move(*action.reply));
            break;
        case QuerySession::Action::Kind::kSend:
            // The further requests share the first one's timeout: a silent server costs one.
            // One that the system refuses leaves the query to that timeout, since the first
            // went out, unless the refusal says that nothing listens on the port.
            try {
                for (const std::string& request : action.requests) {
                    Send(request);
                }
            } catch (const SocketError& error) {
                if (error.Number() == winsock::kWsaEconnreset) {
                    PortClosed();
                    return;
                }
            }
            break;
        case QuerySession::Action::Kind::kGiveUp: GiveUp(); return;
    }
    FollowSessionDeadline();
}

void frmQuery::FollowSessionDeadline() {
    // The timer keeps its pace while it runs; a tick a little ahead of a step finds it not
    // yet due and the next one takes it.
    tmrParts.SetEnabled(session_ && session_->Deadline());
}

void frmQuery::tmrParts_Timer() {
    if (!session_) {
        tmrParts.SetEnabled(false);
        return;
    }
    Act(session_->OnDeadline(platform::Now()));
}

void frmQuery::ShowReply(QueryReply reply) {
    const std::uint64_t query = queryNumber_;
    const auto show = [this, query](int players) {
        if (query != queryNumber_) {
            return;  // a new query started while the store let other events run
        }
        ShowServerStats(query);
        if (query != queryNumber_) {
            return;  // a new query started while this reply was being shown
        }
        tmrTimeout.SetEnabled(false);
        if (onReplyShown_) {
            onReplyShown_(players);
        }
    };
    TheReplyGate().Submit(this, std::move(reply), show, [this, query](const std::string& reason) {
        if (query == queryNumber_) {
            QueryFailed("The reply could not be shown: " + reason);
        }
    });
}

void frmQuery::ShowServerStats(std::uint64_t query) {
    const StatsDisplay display = ComposeStats(modBFVQueryParse::ServerInfo(), modBFVQueryParse::Players());
    RememberListView();
    view_.FreezeDrawing();
    lblServerTitle.SetCaption(display.serverTitle);
    lblMap.SetCaption(display.map);
    lblPlayers.SetCaption(display.players);
    lblTitle.SetCaption(ShownTitle());
    lstPlayers.Clear();
    shownPlayers_.clear();
    for (std::size_t i = 0; i < display.lines.size(); ++i) {
        lstPlayers.AddItem(display.lines[i]);
        shownPlayers_.push_back(modBFVQueryParse::Players()[i].player);
        platform::Current().events->DoEvents();
        if (query != queryNumber_) {
            view_.UnfreezeDrawing();  // the new query has cleared the display: it stays so
            return;
        }
    }
    RestoreListView();
    fullShown_ = display.Full();
    ShowSlotBox();
    const bool join = chkWaitForSlot.Value() == 1 && display.SlotFree() && launcher_ && launcher_->LaunchGame;
    // The server whose free slot this is, as the user picked it; the profile and mod are the
    // launcher's choice now.
    // A server picked before its game port was known joins the port its reply names.
    const std::string port = pickedPort_.empty() ? Trim(modBFVQueryParse::ServerInfo().hostport) : pickedPort_;
    const std::string server = Trim(pickedAddress_) + ":" + port;
    if (join) {
        lblTitle.SetCaption("Joining " + server + "...");
    }
    view_.UnfreezeDrawing();
    if (!join) {
        return;
    }
    // Starting the game keeps the thread a moment: the user sees first what is happening.
    view_.DrawNow();
    const std::optional<std::string> failure =
        launcher_->LaunchGame(Trim(launcher_->cmbProfiles.Text()), Trim(launcher_->cmbMods.Text()), server);
    chkWaitForSlot.SetValue(0);
    ShowSlotBox();
    if (failure) {
        lblTitle.SetCaption(ShownTitle());
        // A message box runs its own loop: the window draws while it shows.
        view_.ShowMessage(*failure, MessageIcon::kCritical, "Error");
    }
}

void frmQuery::tmrRefresh_Timer() {
    Query(queryAddress_);
}

void frmQuery::tmrTimeout_Timer() {
    if (!session_) {
        GiveUp();
        return;
    }
    // Parts of a reply that are on their way are waited for a parts timeout past this one:
    // tmrParts shows them, or gives up on a server that keeps starting new sets.
    Act(session_->OnTimeout(platform::Now()));
}

void frmQuery::GiveUp() {
    lblTitle.SetCaption("No response from server");
    ClearDisplay();
    tmrTimeout.SetEnabled(false);
    // A late answer is still shown (the session takes it), and the refresh asks again.
    FollowSessionDeadline();
    tmrRefresh.SetEnabled(true);
}

void frmQuery::PortClosed() {
    session_.reset();
    lblTitle.SetCaption("Server is not running (port closed)");
    ClearDisplay();
    tmrTimeout.SetEnabled(false);
    tmrParts.SetEnabled(false);
    tmrRefresh.SetEnabled(true);
}

}  // namespace vantorel
