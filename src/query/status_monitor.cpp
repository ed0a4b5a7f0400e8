// The stats window's status monitor: the query, the replies, the display and the timers.

#include "common/text.h"
#include "launcher/mod_main.h"
#include "platform/event_loop.h"
#include "platform/platform.h"
#include "query/frm_query.h"
#include "query/mod_bfv_query_parse.h"
#include "query/reply_gate.h"
#include "query/stats_text.h"

namespace vantorel {

frmQuery::frmQuery(StatsWindowView& view, const LauncherControls* launcher, Options options)
    : view_(view), launcher_(launcher), options_(std::move(options)) {
    chkWaitForSlot.SetVisible(false);
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
    chkWaitForSlot.SetVisible(false);
    lstPlayers.Clear();
}

void frmQuery::SendQuery(const std::string& address) {
    // Only the user's pick waits for an answer; a refresh tick keeps what the last one set.
    if (Query(address)) {
        tmrTimeout.Restart();
    }
}

bool frmQuery::Query(const std::string& address) {
    queryAddress_ = address;
    queriedIP_.clear();
    lblTitle.SetCaption("Updating Stats...");
    try {
        if (!sock_) {
            throw SocketError(0, "The socket library could not be started.", "frmQuery.SendQuery");
        }
        if (address != sock_->RemoteHost()) {
            sock_->SetRemoteHost(address);
        }
        if (sock_->RemotePort() != options_.queryPort) {
            sock_->SetRemotePort(options_.queryPort);
        }
        ClearDisplay();  // the ticked state of the box stays as it was
        sock_->SendData(Variant::String("\\basic\\"));
        return true;
    } catch (const SocketError& error) {
        QueryFailed(error.Description());
        return false;
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
    // The address the request went to, known once it has gone (after a lookup, too).
    if (bytesSent > 0 && sock_) {
        queriedIP_ = sock_->RemoteHostIP();
    }
}

void frmQuery::OnError(std::int16_t, const std::string& Description, std::int32_t, const std::string&,
                       const std::string&, std::int32_t, bool&) {
    // A server name that does not resolve, or a send the network refused.
    QueryFailed(Description);
}

void frmQuery::OnDataArrival(std::int32_t) {
    Variant data;
    try {
        sock_->GetData(data);
    } catch (const SocketError&) {
        return;
    }
    // Only the server that was asked may change what the window shows; the sender's port
    // is not checked, since some servers answer from another one.
    if (data.Type() != VarType::kString || queriedIP_.empty() || sock_->RemoteHostIP() != queriedIP_) {
        return;
    }
    if (!tmrRefresh.Enabled()) {
        tmrRefresh.SetEnabled(true);
    }
    const bool wasWaiting = assembler_.Waiting();
    const auto deadline = assembler_.Deadline();
    const std::optional<std::string> reply = assembler_.Add(data.AsString(), options_.now());
    if (reply) {
        if (!assembler_.Waiting()) {
            tmrParts.SetEnabled(false);
        }
        ShowReply(*reply);
    } else if (!wasWaiting || assembler_.Deadline() != deadline) {
        tmrParts.Restart();  // a new set of parts: one second from its first part
    }
}

void frmQuery::tmrParts_Timer() {
    const std::optional<std::string> reply = assembler_.Expire(options_.now());
    if (!assembler_.Waiting()) {
        tmrParts.SetEnabled(false);
    }
    if (reply) {
        ShowReply(*reply);
    }
}

void frmQuery::ShowReply(const std::string& reply) {
    TheReplyGate().Submit(this, reply, [this](const std::string& text) {
        const int players = modBFVQueryParse::ParseServerReply(text);
        ShowServerStats();
        tmrTimeout.SetEnabled(false);
        if (onReplyShown_) {
            onReplyShown_(players);
        }
    });
}

void frmQuery::ShowServerStats() {
    const modBFVQueryParse::ServerInfoRecord& info = modBFVQueryParse::ServerInfo();
    view_.FreezeDrawing();
    lblServerTitle.SetCaption(Trim(info.hostname));
    lblMap.SetCaption(statsText::MapLine(info));
    lblPlayers.SetCaption(statsText::PlayersLine(info));
    lblTitle.SetCaption("Server Stats");
    lstPlayers.Clear();
    const int lines = statsText::PlayerLineCount(info);
    for (int i = 0; i < lines; ++i) {
        lstPlayers.AddItem(statsText::PlayerLine(modBFVQueryParse::Players()[static_cast<std::size_t>(i)]));
        platform::Current().events->DoEvents();
    }
    const std::optional<statsText::SlotCounts> slots = statsText::Slots(info);
    if (slots && slots->players >= slots->publicSlots) {
        chkWaitForSlot.SetVisible(true);
    }
    if (chkWaitForSlot.Value() == 1 && slots && slots->players < slots->publicSlots && launcher_) {
        const modMain::LaunchResult launched =
            modMain::LaunchGame(Trim(launcher_->cmbProfiles.Text()), Trim(launcher_->cmbMods.Text()),
                                Trim(launcher_->txtIP.Text()) + ":" + Trim(launcher_->txtPort.Text()));
        chkWaitForSlot.SetValue(0);
        if (!launched.started) {
            view_.ShowMessage(launched.reason, MessageIcon::kCritical, "Error");
        }
    }
    view_.UnfreezeDrawing();
}

void frmQuery::tmrRefresh_Timer() {
    Query(queryAddress_);
}

void frmQuery::tmrTimeout_Timer() {
    lblTitle.SetCaption("No response from server");
    ClearDisplay();
    tmrRefresh.SetEnabled(false);
    tmrTimeout.SetEnabled(false);
}

}  // namespace vantorel
