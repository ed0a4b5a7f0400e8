#include "browse/frm_servers.h"

#include <algorithm>
#include <utility>

#include "browse/kept_list.h"
#include "common/text.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/platform.h"

namespace vantorel::browse {
namespace {

std::string Count(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Known values of `from` replace those of `into`; the others stay as they were.
void Overlay(ServerAnswer& into, const ServerAnswer& from) {
    for (auto [text, value] : {std::pair{&into.title, &from.title}, std::pair{&into.map, &from.map},
                               std::pair{&into.gameType, &from.gameType}, std::pair{&into.version, &from.version}}) {
        if (!value->empty()) {
            *text = *value;
        }
    }
    into.players = from.players ? from.players : into.players;
    into.maxPlayers = from.maxPlayers ? from.maxPlayers : into.maxPlayers;
    into.reserved = from.maxPlayers ? from.reserved : into.reserved;
    into.password = from.password ? from.password : into.password;
    into.gamePort = from.gamePort != 0 ? from.gamePort : into.gamePort;
}

ServerAnswer ListedValues(const ListedFields& fields) {
    std::vector<std::pair<std::string, std::string>> pairs = fields.Decode();
    for (auto& [key, value] : pairs) {
        value = platform::AnsiToUtf8(value);
    }
    return AnswerFromFields(pairs);
}

// As the favourites' "Creation" is written.
std::string Now() {
    platform::Clock* clock = platform::Current().clock;
    return clock ? clock->DateText() + "  " + clock->TimeText() : std::string();
}

ServerKey KeyOf(ServerAddress address) {
    const std::string text = address.Text();
    return {text.substr(0, text.rfind(':')), address.port};
}

// A favourite's host as the list keys it: a dotted address in its plain form, a name as typed.
std::string HostKey(const std::string& server) {
    const std::string host = TrimProfileBlanks(server);
    const std::optional<std::uint32_t> ip = DottedAddress(host);
    return ip ? KeyOf({*ip, 1}).host : host;
}

}  // namespace

frmServers::frmServers(ServersWindowView& view, ServersWindowLink& link, ServerSource& source, Options options)
    : view_(view), link_(link), source_(source), options_(std::move(options)) {
    list_.SetObserver(&view_);
    source_.SetEvents(this);
}

frmServers::~frmServers() {
    Form_Unload();
}

std::string frmServers::SameVersionUnavailable() const {
    return options_.gameVersion ? std::string() : options_.versionUnknown;
}

void frmServers::Form_Load() {
    // A window closed and opened again hears its answers again.
    source_.SetEvents(this);
    if (!options_.keptListPath.empty()) {
        KeptList kept = ReadKeptList(options_.keptListPath);
        keptSaved_ = kept.saved;
        if (!kept.problem.empty()) {
            keptProblem_ = "the kept list was not read: " + kept.problem;
        }
        std::vector<ServerKey> keys;
        keys.reserve(kept.servers.size());
        for (const KeptServer& server : kept.servers) {
            keys.push_back(server.key);
        }
        std::size_t next = 0;
        list_.Merge(keys, [&](ServerRow& row) {
            // A key the file repeats takes its first line's values.
            if (!row.listed) {
                row.values = kept.servers[next].values;
                row.listed = true;
            }
            ++next;
        });
    }
    Refresh();
    if (!masters_.problems.empty()) {
        std::string text;
        for (const std::string& problem : masters_.problems) {
            text += (text.empty() ? "" : "\n") + problem;
        }
        Error(text);
    }
}

void frmServers::Form_Unload() {
    source_.Cancel();
    source_.SetEvents(nullptr);
}

void frmServers::Refresh() {
    source_.Cancel();
    masters_ = ReadMasters(options_.mastersPath);
    masterStates_.assign(masters_.masters.size(), MasterState{});
    merge_ = ListMerge();
    asking_.clear();
    mastersDone_ = false;
    list_.UpdateAll([](ServerRow& row) {
        row.listedNow = false;
        row.askedNow = false;
        row.state = ServerRow::State::kWaiting;
        row.failure.clear();
        row.favorite.clear();  // the favourites are read afresh
    });
    MergeFavorites();
    source_.ListMasters(masters_.masters);
    // The kept servers and the favourites are asked at once, so the list is live before the
    // masters have answered, and while none of them does.
    Ask();
    if (masters_.masters.empty()) {
        MastersDone();
    }
    ShowStatus();
}

void frmServers::MergeFavorites() {
    std::vector<ServerKey> keys;
    std::vector<FavoriteServer> favorites;
    for (FavoriteServer& favorite : link_.Favorites()) {
        ServerKey key{HostKey(favorite.server), kFavoriteQueryPort};
        if (key.host.empty() || std::find(keys.begin(), keys.end(), key) != keys.end()) {
            continue;
        }
        keys.push_back(std::move(key));
        favorites.push_back(std::move(favorite));
    }
    std::size_t next = 0;
    list_.Merge(keys, [&](ServerRow& row) {
        const FavoriteServer& favorite = favorites[next++];
        row.favorite = TrimProfileBlanks(favorite.name);
        const ServerAnswer port = AnswerFromFields(
            std::vector<std::pair<std::string, std::string>>{{"hostport", TrimProfileBlanks(favorite.port)}});
        if (row.values.gamePort == 0) {
            row.values.gamePort = port.gamePort;
        }
    });
}

void frmServers::Ask() {
    std::vector<ServerKey> keys;
    list_.ForEach([&](const ServerRow& row) {
        if (!row.askedNow) {
            keys.push_back(row.key);
        }
    });
    if (keys.empty()) {
        return;
    }
    for (const ServerKey& key : keys) {
        asking_.insert(key);
    }
    list_.MarkAll([](ServerRow& row) { row.askedNow = true; });
    source_.QueryServers(keys, options_.mostAtOnce);
}

void frmServers::OnMasterList(std::size_t master, const MasterList& list) {
    if (master >= masterStates_.size() || masterStates_[master].done) {
        return;
    }
    MasterState& state = masterStates_[master];
    state.done = true;
    state.servers = list.Servers().size();
    if (!list.Complete() || list.Fault()) {
        state.fault = list.Fault().value_or(MasterFault{MasterFault::Kind::kCutShort, {}});
    }
    const std::size_t before = merge_.Entries().size();
    merge_.Add(masters_.masters[master].Text(), list);
    const std::vector<ListMerge::Entry>& entries = merge_.Entries();
    std::vector<ServerKey> keys;
    for (std::size_t i = before; i < entries.size(); ++i) {
        keys.push_back(KeyOf(entries[i].address));
    }
    std::size_t next = before;
    list_.Merge(keys, [&](ServerRow& row) {
        const ListMerge::Entry& entry = entries[next++];
        row.listed = row.listedNow = true;
        if (row.state != ServerRow::State::kAnswered && !entry.fields.Empty()) {
            Overlay(row.values, ListedValues(entry.fields));
        }
    });
    Ask();
    if (std::all_of(masterStates_.begin(), masterStates_.end(), [](const MasterState& s) { return s.done; })) {
        MastersDone();
    }
    ShowStatus();
}

void frmServers::MastersDone() {
    mastersDone_ = true;
    keptSaved_.clear();  // the list is refreshed, or the masters said why not
    if (!masterStates_.empty() && merge_.AllWhole()) {
        // Every master gave its whole list: what none of them lists is gone.
        list_.RemoveIf([](const ServerRow& row) { return !row.listedNow && row.favorite.empty(); });
        list_.MarkAll([](ServerRow& row) { row.listed = row.listedNow; });
    }
    KeepList();
}

void frmServers::OnServerAnswer(const ServerKey& server, const ServerAnswer& answer) {
    if (asking_.erase(server) == 0) {
        return;
    }
    list_.Update(server, [&](ServerRow& row) {
        const std::uint16_t gamePort = row.values.gamePort;
        row.values = Bounded(answer);
        if (row.values.gamePort == 0) {
            row.values.gamePort = gamePort;
        }
        row.state = ServerRow::State::kAnswered;
        row.failure.clear();
    });
    if (asking_.empty() && mastersDone_) {
        KeepList();  // again, with the values of this refresh's answers
    }
    ShowStatus();
}

void frmServers::OnServerFailed(const ServerKey& server, const std::string& reason) {
    if (asking_.erase(server) == 0) {
        return;
    }
    list_.Update(server, [&](ServerRow& row) {
        row.state = ServerRow::State::kNoAnswer;
        row.failure = reason;
    });
    if (asking_.empty() && mastersDone_) {
        KeepList();  // again, with the values of this refresh's answers
    }
    ShowStatus();
}

void frmServers::KeepList() {
    // Only a list that a master gave whole is a good list to keep.
    const bool good =
        std::any_of(masterStates_.begin(), masterStates_.end(), [](const MasterState& state) { return !state.fault; });
    if (options_.keptListPath.empty() || !good) {
        return;
    }
    std::vector<KeptServer> servers;
    list_.ForEach([&](const ServerRow& row) {
        if (row.listed) {
            servers.push_back({row.key, row.values});
        }
    });
    const std::string failure =
        WriteKeptList(options_.keptListPath, KeptListText(options_.stamp ? options_.stamp() : Now(), servers));
    keptProblem_ = failure.empty() ? std::string() : "the list could not be kept: " + failure;
}

void frmServers::ApplyFilters() {
    if (chkSameVersion.Value() != 0 && !options_.gameVersion) {
        chkSameVersion.SetValue(0);
    }
    RowFilter filter;
    filter.search = txtSearch.Text();
    filter.notEmpty = chkNotEmpty.Value() != 0;
    filter.notFull = chkNotFull.Value() != 0;
    filter.noPassword = chkNoPassword.Value() != 0;
    if (chkSameVersion.Value() != 0) {
        filter.sameVersion = options_.gameVersion;
    }
    list_.SetFilter(filter);
    ShowStatus();
}

void frmServers::chkSameVersion_Click() {
    if (chkSameVersion.Value() != 0 && !options_.gameVersion) {
        chkSameVersion.SetValue(0);
        view_.ShowMessage(options_.versionUnknown, MessageIcon::kInformation, "Info");
        return;
    }
    ApplyFilters();
}

void frmServers::Form_KeyDown(int key) {
    if (key == kKeyF5) {
        Refresh();
    } else if (key == kKeyReturn) {
        Join();
    }
}

void frmServers::lvwServers_ColumnClick(int column) {
    if (column >= 0 && column < kColumnCount) {
        list_.SortBy(static_cast<Column>(column));
    }
}

void frmServers::lvwServers_ItemClick(int row) {
    list_.Select(row);
    if (const std::optional<ServerTarget> target = Selected()) {
        link_.ShowInStats(*target);
    }
}

void frmServers::lvwServers_KeyPress(std::string_view typed) {
    if (typed.empty() || HasControlChar(typed)) {
        return;
    }
    const std::optional<int> row =
        typeAhead_.Find(typed, options_.now(), list_.Selected(), list_.Count(),
                        [this](int shown) -> const std::string& { return list_.Row(shown).foldedTitle; });
    if (row && *row != list_.Selected()) {
        list_.Select(*row);
        view_.SelectionMoved(*row);
        link_.ShowInStats(*Selected());
    }
}

std::optional<ServerTarget> frmServers::Selected() const {
    const ServerRow* row = list_.SelectedRow();
    if (!row) {
        return std::nullopt;
    }
    return ServerTarget{row->key.host, row->key.port, row->values.gamePort, row->Name()};
}

void frmServers::Join() {
    const ServerRow* row = list_.SelectedRow();
    if (!row) {
        return;
    }
    const ServerTarget target = *Selected();
    if (target.gamePort == 0) {
        Error(target.name + " has not said which port its game is on, so it cannot be joined yet.");
        return;
    }
    if (row->state == ServerRow::State::kAnswered && row->values.Full()) {
        if (view_.AskYesNo(target.name + " is full. Wait for a free slot, then join?", "Info")) {
            link_.WaitForSlot(target);
        }
        return;
    }
    const std::string failure = link_.Join(row->JoinAddress());
    if (!failure.empty()) {
        Error(failure);
    }
}

void frmServers::AddFavorite() {
    const ServerRow* row = list_.SelectedRow();
    if (!row) {
        return;
    }
    if (row->values.gamePort == 0) {
        Error(row->Name() + " has not said which port its game is on, so it cannot be added yet.");
        return;
    }
    const ServerKey key = row->key;
    FavoriteServer favorite{TrimProfileBlanks(row->Name()), row->key.host, std::to_string(row->values.gamePort)};
    if (const std::string refusal = link_.FavoriteRefusal(favorite); !refusal.empty()) {
        Error(refusal);
        return;
    }
    if (const std::optional<std::string> existing = link_.ExistingFavorite(favorite.name)) {
        if (!view_.AskYesNo("A favourite named " + *existing + " exists. Replace it?", "Info")) {
            return;
        }
    }
    if (const std::string failure = link_.SaveFavorite(favorite); !failure.empty()) {
        Error(failure);
        return;
    }
    list_.Update(key, [&](ServerRow& changed) { changed.favorite = favorite.name; });
    view_.ShowMessage("Server Added!", MessageIcon::kInformation, "Info");
}

void frmServers::mnuCopyAddress_Click() {
    if (const ServerRow* row = list_.SelectedRow()) {
        const std::string join = row->JoinAddress();
        view_.CopyToClipboard(join.empty() ? row->key.host : join);
    }
}

void frmServers::ShowStatus() {
    std::string status =
        Count(list_.Total(), "server", "servers") + ", " + std::to_string(list_.Answered()) + " answered";
    const bool everyMasterFailed = mastersDone_ && std::none_of(masterStates_.begin(), masterStates_.end(),
                                                                [](const MasterState& state) { return !state.fault; });
    if (!mastersDone_ && !keptSaved_.empty()) {
        status += "; the list kept on " + keptSaved_ + ", not yet refreshed";
    } else if (everyMasterFailed) {
        status += list_.Total() > 0 ? "; no master answered, so the servers known before are asked directly"
                                    : "; no master answered";
    }
    std::string masters;
    for (std::size_t i = 0; i < masterStates_.size(); ++i) {
        const MasterState& state = masterStates_[i];
        std::string text = masters_.masters[i].Text() + ": ";
        if (!state.done) {
            text += "asking";
        } else if (!state.fault) {
            text += Count(state.servers, "server", "servers");
        } else {
            text += state.fault->Reason();
            if (state.servers > 0) {
                text += " after " + Count(state.servers, "server", "servers");
            }
        }
        masters += (masters.empty() ? "" : "; ") + text;
    }
    if (!keptProblem_.empty()) {
        masters += "; " + keptProblem_;
    }
    std::string hidden = list_.Hidden() > 0 ? std::to_string(list_.Hidden()) + " hidden by filters" : "";
    for (auto [label, text] :
         {std::pair{&lblStatus, &status}, std::pair{&lblMasters, &masters}, std::pair{&lblHidden, &hidden}}) {
        if (label->Caption() != *text) {
            label->SetCaption(*text);
        }
    }
}

void frmServers::Error(const std::string& text) {
    view_.ShowMessage(text, MessageIcon::kExclamation, "Error");
}

}  // namespace vantorel::browse
