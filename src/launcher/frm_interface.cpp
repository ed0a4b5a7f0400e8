#include "launcher/frm_interface.h"

#include <string_view>
#include <utility>

#include "common/text.h"
#include "common/utf8.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "launcher/server_fields.h"
#include "forms/window_chrome.h"
#include "platform/folder_picker.h"
#include "platform/platform.h"

namespace vantorel {
namespace {

constexpr const char* kNameMissing = "Please enter a server name";
constexpr const char* kNotFound = "Battlefield Vietnam was not found: ";

// An IPv6 address: hexadecimal groups with two colons or more, perhaps in brackets or with
// a zone after "%". A host name or an IPv4 address with a port has one colon at most.
bool IsIPv6Address(std::string_view text) {
    if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
        text = text.substr(1, text.size() - 2);
    }
    text = text.substr(0, text.find('%'));
    int colons = 0;
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') {
            return false;
        }
        colons += c == ':' ? 1 : 0;
    }
    return colons >= 2;
}

// Why the text cannot be a server to ask or to keep, or the empty text.
std::string AddressRefusal(const std::string& server) {
    if (IsIPv6Address(server)) {
        return "\"" + server +
               "\" is an IPv6 address, and the game's query protocol does not support IPv6. Please enter the "
               "server's IPv4 address or host name.";
    }
    return serverFields::ServerRefusal(server);
}

int IndexOf(const ComboBox& box, const std::string& text) {
    for (std::size_t i = 0; i < box.Items().size(); ++i) {
        if (!text.empty() && box.Items()[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

frmInterface::frmInterface(LauncherWindowView& view, StatsWindowLink& stats) : view_(view), stats_(stats) {
    cmbFavorites.SetOnClick([this] { cmbFavorites_Click(); });
}

void frmInterface::Form_Load() {
    loading_ = true;
    remembered_ = userChoices::Load();
    modMain::ReadGameDir();
    // The folder the user showed last time stands in for a GAMEDIR without the game.
    if (!modMain::GameNotFound().empty() && modMain::IsGameFolder(remembered_.gameFolder)) {
        modMain::UseGameDir(remembered_.gameFolder);
    }
    FillLists();
    RestoreChoices();
    loading_ = false;
    stats_.Show();
}

void frmInterface::Form_Shown() {
    const std::string notFound = modMain::GameNotFound();
    if (!notFound.empty()) {
        AskForGameFolder(notFound);
    } else if (!unreadableFavorites_.empty()) {
        Error(unreadableFavorites_);
    }
}

void frmInterface::FillLists() {
    modMain::FillProfileList(cmbProfiles);
    modMain::FillModList(cmbMods);
    unreadableFavorites_ = modFavorites::FillFavoriteList(cmbFavorites);
}

void frmInterface::RestoreChoices() {
    for (const auto& [box, text] : {std::pair{&cmbProfiles, remembered_.profile},
                                    {&cmbMods, remembered_.mod},
                                    {&cmbFavorites, remembered_.favorite}}) {
        // A favourite is then asked for, as a pick does.
        const int index = IndexOf(*box, text);
        if (index >= 0 && index != box->ListIndex()) {
            box->SetListIndex(index);
        }
    }
}

void frmInterface::RememberChoices() {
    userChoices::Choices now = remembered_;
    // The Servers window keeps its place in the same file, at its own times.
    now.serversWindow = userChoices::Load().serversWindow;
    now.gameFolder = modMain::GameNotFound().empty() ? modMain::GameDir() : remembered_.gameFolder;
    now.profile = Trim(cmbProfiles.Text());
    now.mod = Trim(cmbMods.Text());
    now.favorite = cmbFavorites.ListIndex() > 0
                       ? cmbFavorites.Items()[static_cast<std::size_t>(cmbFavorites.ListIndex())]
                       : std::string();
    if (now == remembered_) {
        return;
    }
    // Remembering is a convenience: a settings folder that cannot be written costs the user
    // nothing more than today's choices, so it is not worth a box each time.
    if (userChoices::Save(now).empty()) {
        remembered_ = now;
    }
}

bool frmInterface::AskForGameFolder(std::string notFound) {
    for (;;) {
        if (!view_.AskYesNo(kNotFound + notFound + "\n\nDo you want to show Vantorel the game's folder now?",
                            "Error")) {
            return false;
        }
        const std::string folder = platform::Current().folderPicker->PickFolder(
            "Choose the folder of Battlefield Vietnam, the one that holds bfvietnam.exe.", view_.Handle());
        if (folder.empty()) {
            return false;
        }
        if (modMain::IsGameFolder(folder)) {
            modMain::UseGameDir(folder);
            loading_ = true;
            FillLists();
            RestoreChoices();
            loading_ = false;
            RememberChoices();
            return true;
        }
        notFound = "there is no bfvietnam.exe in " + folder + ".";
    }
}

void frmInterface::Form_Resize() {
    windowChrome::PaintOnResize(view_);
}

void frmInterface::Form_MouseMove(unsigned buttons) {
    Drag(buttons);
}

void frmInterface::lblTitle_MouseMove(unsigned buttons) {
    Drag(buttons);
}

void frmInterface::Drag(unsigned buttons) {
    if (windowChrome::DragOnMouseMove(view_, buttons)) {
        stats_.ReDock();
    }
}

void frmInterface::Error(const std::string& text) {
    view_.ShowMessage(text, MessageIcon::kExclamation, "Error");
}

void frmInterface::cmbFavorites_Click() {
    const int index = cmbFavorites.ListIndex();
    if (index < 0) {
        return;
    }
    if (!loading_) {
        RememberChoices();
    }
    if (index == 0) {
        stats_.CancelSlotWait();
        txtServerName.SetText("");
        txtIP.SetText("0.0.0.0");
        txtPort.SetText("0");
        return;
    }
    const std::string name = TrimProfileBlanks(cmbFavorites.Text());
    txtServerName.SetText(name);
    const auto favorite = modFavorites::FindFavorite(name);
    if (!favorite || favorite->server == modFavorites::kMissingValue || favorite->port == modFavorites::kMissingValue) {
        // A section without its server or port: there is nothing to query or join, and the
        // server shown before is not this one.
        txtIP.SetText("");
        txtPort.SetText("");
        stats_.StopQuery();
        return;
    }
    txtIP.SetText(favorite->server);
    txtPort.SetText(favorite->port);
    stats_.SendQuery(Trim(txtIP.Text()));
}

void frmInterface::lblAddFav_Click() {
    // A name of blanks is as good as none.
    const std::string name = TrimProfileBlanks(txtServerName.Text());
    if (CharCount(txtServerName.Text()) < 2 || name.empty()) {
        Error(kNameMissing);
        return;
    }
    const std::string server = TrimProfileBlanks(txtIP.Text());
    const std::string port = TrimProfileBlanks(txtPort.Text());
    if (const std::string refusal = FavoriteRefusal(name, server, port); !refusal.empty()) {
        Error(refusal);  // the boxes keep what the user typed
        return;
    }
    if (const auto existing = modFavorites::FindFavorite(name)) {
        if (!view_.AskYesNo("A favourite named " + existing->name + " exists. Replace it?", "Info")) {
            return;
        }
    }
    const modFavorites::SaveResult saved = modFavorites::SaveFavorite(name, server, port);
    if (!saved.ok) {
        Error(saved.reason);
        return;
    }
    modFavorites::FillFavoriteList(cmbFavorites);
    view_.ShowMessage("Server Added!", MessageIcon::kInformation, "Info");
}

void frmInterface::lblRemFav_Click() {
    if (CharCount(txtServerName.Text()) < 2) {
        return;
    }
    const std::string name = TrimProfileBlanks(txtServerName.Text());
    if (name.empty()) {
        Error(kNameMissing);
        return;
    }
    const std::string refusal = modFavorites::StoreRefusal();
    if (!refusal.empty()) {
        Error(refusal);
        return;
    }
    const auto existing = modFavorites::FindFavorite(name);
    if (!existing) {
        Error("There is no favourite named \"" + name + "\".");
        return;
    }
    const modFavorites::SaveResult saved =
        modFavorites::SaveFavorite(existing->name, modFavorites::kRemovedServer, "0");
    if (!saved.ok) {
        Error(saved.reason);
        return;
    }
    modFavorites::FillFavoriteList(cmbFavorites);
    view_.ShowMessage("Server Removed!", MessageIcon::kInformation, "Info");
}

std::string frmInterface::FavoriteRefusal(const std::string& name, const std::string& server,
                                          const std::string& port) const {
    for (const std::string& refusal : {modFavorites::StoreRefusal(), modFavorites::NameRefusal(name),
                                       AddressRefusal(server), serverFields::PortRefusal(port)}) {
        if (!refusal.empty()) {
            return refusal;
        }
    }
    return {};
}

void frmInterface::FavoritesChanged() {
    modFavorites::FillFavoriteList(cmbFavorites);
}

void frmInterface::lblLaunch_Click() {
    const std::string failure = JoinServer(Trim(txtIP.Text()) + ":" + Trim(txtPort.Text()));
    if (!failure.empty()) {
        Error(failure);
    }
}

std::string frmInterface::JoinServer(const std::string& address) {
    const std::string notFound = modMain::GameNotFound();
    if (!notFound.empty() && !AskForGameFolder(notFound)) {
        return {};
    }
    const modMain::LaunchResult launched = modMain::LaunchGame(Trim(cmbProfiles.Text()), Trim(cmbMods.Text()), address);
    if (!launched.started) {
        return launched.reason;
    }
    RememberChoices();
    return {};
}

void frmInterface::lblClose_Click() {
    RememberChoices();
    stats_.Unload();
    view_.EndProcess();
}

void frmInterface::txtServerName_KeyPress(int keyAscii) {
    if (keyAscii == kKeyReturn) {
        lblAddFav_Click();
    }
}

void frmInterface::txtIP_KeyPress(int keyAscii) {
    if (keyAscii == kKeyReturn) {
        QueryTypedServer();
    }
}

void frmInterface::txtPort_KeyPress(int keyAscii) {
    if (keyAscii == kKeyReturn) {
        QueryTypedServer();
    }
}

void frmInterface::QueryTypedServer() {
    // The server that the boxes name now, typed or picked; the query port is its own, so
    // the port box plays no part in the question.
    const std::string server = TrimProfileBlanks(txtIP.Text());
    const std::string refusal = AddressRefusal(server);
    if (!refusal.empty()) {
        Error(refusal);
        return;
    }
    stats_.SendQuery(server);
}

}  // namespace vantorel
