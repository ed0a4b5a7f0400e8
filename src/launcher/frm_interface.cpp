#include "launcher/frm_interface.h"

#include "common/text.h"
#include "common/utf8.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
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
    modFavorites::FillFavoriteList(cmbFavorites);
    stats_.Show();
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
    const std::string name = Trim(cmbFavorites.Text());
    txtServerName.SetText(name);
    txtIP.SetText(modFavorites::GetFavoriteServer(name));
    txtPort.SetText(modFavorites::GetFavoritePort(name));
    stats_.SendQuery(Trim(txtIP.Text()));
}

void frmInterface::lblAddFav_Click() {
    // A name of blanks is as good as none.
    if (CharCount(txtServerName.Text()) < 2 || Trim(txtServerName.Text()).empty()) {
        Error(kNameMissing);
        return;
    }
    const modFavorites::SaveResult saved =
        modFavorites::SaveFavorite(Trim(txtServerName.Text()), Trim(txtIP.Text()), Trim(txtPort.Text()));
    if (!saved.ok) {
        Error(saved.reason);  // the boxes keep what the user typed
        return;
    }
    modFavorites::FillFavoriteList(cmbFavorites);
    view_.ShowMessage("Server Added!", MessageIcon::kInformation, "Info");
}

void frmInterface::lblRemFav_Click() {
    if (CharCount(txtServerName.Text()) < 2) {
        return;
    }
    const modFavorites::SaveResult saved =
        modFavorites::SaveFavorite(Trim(txtServerName.Text()), modFavorites::kRemovedServer, "0");
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
