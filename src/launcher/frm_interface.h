#pragma once
// The logic of the launcher window, the main window: pick a profile, a mod and a favourite
// or type a server, keep favourites, start the game, and keep the stats window beside it.

#include <string>

#include "forms/combo_box.h"
#include "forms/controls.h"
#include "launcher/user_choices.h"
#include "forms/window_surface.h"

namespace vantorel {

// What the launcher asks of the stats window, which exists once, from first use on.
class StatsWindowLink {
  public:
    virtual ~StatsWindowLink() = default;
    // Shows it, modeless and without an owner; its load docks it beside the launcher.
    virtual void Show() = 0;
    virtual void SendQuery(const std::string& address) = 0;
    virtual void ReDock() = 0;
    virtual void Unload() = 0;
    // The favourites box went back to "-- No Server --": no slot wait may join from it.
    virtual void CancelSlotWait() = 0;
    // The launcher's boxes name no server any more: nothing is asked or awaited.
    virtual void StopQuery() = 0;
    // A server picked in the Servers window, asked at its query port; a slot wait joins its
    // game port (the empty text while it is not known: the port its reply names).
    virtual void ShowServer(const std::string& host, int queryPort, const std::string& gamePort) = 0;
    // The same, waiting for a free slot and then joining.
    virtual void WaitForSlot(const std::string& host, int queryPort, const std::string& gamePort) = 0;
};

class LauncherWindowView : public WindowSurface {
  public:
    virtual void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) = 0;
    // A question with Yes and No buttons, modal to the application; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    // Ends the process at once.
    virtual void EndProcess() = 0;
};

// The key code of Enter, as a key press hands it to a handler.
inline constexpr int kKeyReturn = 13;

class frmInterface {
  public:
    frmInterface(LauncherWindowView& view, StatsWindowLink& stats);
    frmInterface(const frmInterface&) = delete;
    frmInterface& operator=(const frmInterface&) = delete;

    Label lblTitle{"Vantorel 2.2"};
    ComboBox cmbProfiles;
    ComboBox cmbMods;
    ComboBox cmbFavorites;
    TextBox txtServerName;
    TextBox txtIP{"0.0.0.0"};
    TextBox txtPort{"15567"};

    void Form_Load();
    // The window is on the screen: what start-up found wrong is said now, over it.
    void Form_Shown();
    void Form_Resize();
    void Form_MouseMove(unsigned buttons);
    void lblTitle_MouseMove(unsigned buttons);
    void cmbFavorites_Click();
    void lblAddFav_Click();
    void lblRemFav_Click();
    void lblLaunch_Click();
    void lblClose_Click();
    // Enter in the name box adds the favourite; in the IP or port box it shows that server.
    void txtServerName_KeyPress(int keyAscii);
    void txtIP_KeyPress(int keyAscii);
    void txtPort_KeyPress(int keyAscii);

    // Starts the game into "IP:PORT" with the chosen profile and mod, as "Launch Game" does:
    // why it did not start, or the empty text (also when the user declined to show the
    // game's folder).
    std::string JoinServer(const std::string& address);
    // The favourites store's checks of a new favourite: why it cannot be saved, or the empty
    // text.
    std::string FavoriteRefusal(const std::string& name, const std::string& server, const std::string& port) const;
    // A favourite was saved elsewhere: the list shows it.
    void FavoritesChanged();

  private:
    void Drag(unsigned buttons);
    void Error(const std::string& text);
    void FillLists();
    // Selects what was chosen last time, where the lists still hold it.
    void RestoreChoices();
    // Writes the choices as they stand now, when they differ from what was written.
    void RememberChoices();
    // Offers to let the user show the game's folder; true once one with the game is chosen.
    bool AskForGameFolder(std::string notFound);
    void QueryTypedServer();

    LauncherWindowView& view_;
    StatsWindowLink& stats_;
    userChoices::Choices remembered_;
    std::string unreadableFavorites_;
    bool loading_ = false;
};

}  // namespace vantorel
