#include "launcher/frm_interface.h"

#include "common/text.h"
#include "common/utf8.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "launcher/server_fields.h"
#include "launcher/window_chrome.h"

namespace vantorel {
namespace {

constexpr const char* kNameMissing = "Please enter a server name";

}  // namespace

frmInterface::frmInterface(LauncherWindowView& view, StatsWindowLink& stats) : view_(view), stats_(stats) {
    cmbFavorites.SetOnClick([this] { cmbFavorites_Click(); });
}

void frmInterface::Form_Load() {
    modMain::ReadGameDir();
    modMain::FillProfileList(cmbProfiles);
    modMain::FillModList(cmbMods);
    const std::string unreadable = modFavorites::FillFavoriteList(cmbFavorites);
    stats_.Show();
    const std::string notFound = modMain::GameNotFound();
    if (!notFound.empty()) {
        Error("Battlefield Vietnam was not found: " + notFound);
    } else if (!unreadable.empty()) {
        Error(unreadable);
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
        // A section without its server or port: there is nothing to query or join.
        txtIP.SetText("");
        txtPort.SetText("");
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
    for (const std::string& refusal : {modFavorites::StoreRefusal(), modFavorites::NameRefusal(name),
                                       serverFields::ServerRefusal(server), serverFields::PortRefusal(port)}) {
        if (!refusal.empty()) {
            Error(refusal);  // the boxes keep what the user typed
            return;
        }
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

void frmInterface::lblLaunch_Click() {
    const modMain::LaunchResult launched = modMain::LaunchGame(Trim(cmbProfiles.Text()), Trim(cmbMods.Text()),
                                                               Trim(txtIP.Text()) + ":" + Trim(txtPort.Text()));
    if (!launched.started) {
        Error(launched.reason);
    }
}

void frmInterface::lblClose_Click() {
    stats_.Unload();
    view_.EndProcess();
}

}  // namespace vantorel
