#include "launcher/frm_interface.h"

#include <gtest/gtest.h>

#include "fakes/fake_desktop.h"
#include "fakes/fake_services.h"
#include "fakes/fake_sockets.h"
#include "fakes/fake_window.h"
#include "launcher/mod_main.h"
#include "launcher/server_fields.h"
#include "launcher/servers_link.h"
#include "launcher/user_choices.h"
#include "net/socket_support.h"
#include "query/frm_query.h"

namespace vantorel {
namespace {

constexpr const char* kFavorites = "C:\\BFV\\Favorites.ini";
constexpr const char* kGame = "C:\\BFV\\bfvietnam.exe";

// The stats window: its logic, made on first use as the launcher's calls ask.
class StatsWindow : public StatsWindowLink, public StatsWindowView {
  public:
    explicit StatsWindow(std::function<TwipsRect()> launcherBounds) : launcherBounds_(std::move(launcherBounds)) {}
    void Show() override {
        Get();
        calls.push_back("Show");
    }
    void SendQuery(const std::string& address) override {
        calls.push_back("SendQuery " + address);
        Get().SendQuery(address);
    }
    void ReDock() override {
        calls.push_back("ReDock");
        Get().ReDock();
    }
    void Unload() override {
        Get().Form_Unload();
        calls.push_back("Unload");
    }
    void CancelSlotWait() override {
        if (window) {
            window->CancelSlotWait();
        }
    }
    void StopQuery() override {
        calls.push_back("StopQuery");
        Get().StopQuery();
    }
    void ShowServer(const std::string& host, int queryPort, const std::string& gamePort) override {
        calls.push_back("ShowServer " + host + ":" + std::to_string(queryPort) + " " + gamePort);
        Get().ShowServer(host, queryPort, gamePort);
    }
    void WaitForSlot(const std::string& host, int queryPort, const std::string& gamePort) override {
        calls.push_back("WaitForSlot " + host + ":" + std::to_string(queryPort) + " " + gamePort);
        Get().WaitForSlot(host, queryPort, gamePort);
    }
    void FreezeDrawing() override {}
    void UnfreezeDrawing() override {}
    void ShowMessage(const std::string&, MessageIcon, const std::string&) override {}

    frmQuery& Get() {
        if (!window) {
            window = std::make_unique<frmQuery>(*this, nullptr);
            window->AttachWindow(surface, launcherBounds_);
            window->Form_Load();
            calls.push_back("Load");
        }
        return *window;
    }

    std::unique_ptr<frmQuery> window;
    testing::FakeStatsSurface surface;
    std::vector<std::string> calls;

  private:
    std::function<TwipsRect()> launcherBounds_;
};

class LauncherTest : public ::testing::Test {
  protected:
    LauncherTest() {
        services.registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", "C:\\BFV");
        services.directory.listings["C:\\BFV\\Mods\\BfVietnam\\Settings\\Profiles\\*.*"] = {".", "..", "Alice", "Bravo",
                                                                                            "Charlie"};
        services.directory.listings["C:\\BFV\\Mods\\*.*"] = {".", "..", "BfVietnam", "Desert Mod"};
        services.files.files[kFavorites] = "[Sample server]\r\nServer=127.0.0.1\r\nPort=15567\r\n[NoIP]\r\nPort=1\r\n";
        services.files.files[kGame] = "MZ";
    }
    void Load() {
        launcher.Form_Load();
        stats.calls.clear();
    }

    testing::FakePlatform services;
    testing::FakeDesktop desktop;
    testing::FakeSocketPlatform sockets;
    testing::FakeLauncherView view;
    TwipsRect bounds{1000, 2000, 6000, 5700};
    StatsWindow stats{[this] { return bounds; }};
    frmInterface launcher{view, stats};
};

TEST_F(LauncherTest, StartUpFillsTheListsResetsTheServerBoxesAndShowsTheDockedStatsWindow) {
    launcher.Form_Load();
    EXPECT_EQ(modMain::GameDir(), "C:\\BFV");
    EXPECT_EQ(launcher.cmbProfiles.Items(), (std::vector<std::string>{"Alice", "Bravo", "Charlie"}));
    EXPECT_EQ(launcher.cmbProfiles.Text(), "Charlie");
    EXPECT_EQ(launcher.cmbMods.Text(), "BfVietnam");
    EXPECT_EQ(launcher.cmbFavorites.Items(), (std::vector<std::string>{"-- No Server --", "Sample server", "NoIP"}));
    EXPECT_EQ(launcher.cmbFavorites.ListIndex(), 0);
    EXPECT_EQ(launcher.txtServerName.Text(), "");
    EXPECT_EQ(launcher.txtIP.Text(), "0.0.0.0");
    EXPECT_EQ(launcher.txtPort.Text(), "0");
    EXPECT_EQ(stats.calls, (std::vector<std::string>{"Load", "Show"}));
    EXPECT_EQ(stats.surface.left, 7000);
    EXPECT_EQ(stats.surface.top, 2000);
    EXPECT_EQ(stats.window->lblTitle.Caption(), "Server Stats");
    EXPECT_FALSE(stats.window->chkWaitForSlot.Visible());
    EXPECT_TRUE(sockets.sockets.sent.empty());  // nothing is asked until a favourite is picked
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(LauncherTest, AGameThatIsNotThereIsReportedOnceAndNoFavouriteIsWrittenForIt) {
    using Message = testing::FakeLauncherView::Message;
    const std::string notFound =
        "Battlefield Vietnam was not found: there is no bfvietnam.exe in C:\\BFV, the folder "
        "that GAMEDIR names.";
    const std::string question = "\n\nDo you want to show Vantorel the game's folder now?";
    services.files.files.erase(kGame);
    launcher.Form_Load();
    EXPECT_TRUE(view.questions.empty());  // not before the window is on the screen
    launcher.Form_Shown();
    EXPECT_EQ(view.questions, (std::vector<Message>{{notFound + question, MessageIcon::kInformation, "Error"}}));
    EXPECT_TRUE(view.messages.empty());
    // Everything else as before.
    EXPECT_EQ(launcher.cmbProfiles.Text(), "Charlie");
    EXPECT_EQ(launcher.cmbMods.Text(), "BfVietnam");
    EXPECT_EQ(launcher.cmbFavorites.Items().size(), 3u);
    EXPECT_EQ(stats.calls, (std::vector<std::string>{"Load", "Show"}));

    const std::string before = services.files.files[kFavorites];
    launcher.txtServerName.UserTyped("Team Server");
    launcher.txtIP.UserTyped("10.0.0.1");
    launcher.txtPort.UserTyped("15567");
    launcher.lblAddFav_Click();
    const std::string refusal =
        "Favourites are kept in the game's folder, but Battlefield Vietnam was not found: "
        "there is no bfvietnam.exe in C:\\BFV, the folder that GAMEDIR names.";
    EXPECT_EQ(view.messages.back(), (Message{refusal, MessageIcon::kExclamation, "Error"}));
    launcher.txtServerName.UserTyped("Sample server");
    launcher.lblRemFav_Click();
    EXPECT_EQ(view.messages.back().text, refusal);
    EXPECT_EQ(services.files.writes, 0);
    EXPECT_EQ(services.files.files[kFavorites], before);

    // Without GAMEDIR the file would be at the root of the drive: nothing is written there either.
    services.registry.Clear();
    view.questions.clear();
    launcher.Form_Load();
    launcher.Form_Shown();
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].text,
              "Battlefield Vietnam was not found: the game folder is read from GAMEDIR in "
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\EA GAMES\\Battlefield Vietnam, which could not be read." +
                  question);
    launcher.txtServerName.UserTyped("Team Server");
    launcher.txtIP.UserTyped("10.0.0.1");
    launcher.txtPort.UserTyped("15567");
    launcher.lblAddFav_Click();
    EXPECT_EQ(services.files.writes, 0);
    EXPECT_EQ(services.files.files.count("\\Favorites.ini"), 0u);
}

TEST_F(LauncherTest, AFavouritesFileThatCannotBeReadIsReportedAtStartUp) {
    services.files.readFailure = "It is not a plain file.";
    launcher.Form_Load();
    launcher.Form_Shown();
    EXPECT_EQ(
        view.messages,
        (std::vector<testing::FakeLauncherView::Message>{
            {"Could not read C:\\BFV\\Favorites.ini: It is not a plain file.", MessageIcon::kExclamation, "Error"}}));
}

TEST_F(LauncherTest, PickingAFavouriteFillsTheBoxesAndQueriesItsAddress) {
    Load();
    launcher.cmbFavorites.UserPicked(1);
    EXPECT_EQ(launcher.txtServerName.Text(), "Sample server");
    EXPECT_EQ(launcher.txtIP.Text(), "127.0.0.1");
    EXPECT_EQ(launcher.txtPort.Text(), "15567");
    EXPECT_EQ(stats.calls, (std::vector<std::string>{"SendQuery 127.0.0.1"}));
    EXPECT_EQ(stats.window->lblTitle.Caption(), "Updating Stats...");

    // A section without a server: nothing to query or join, so the boxes are left empty, the
    // server shown before is no longer asked, and no slot wait joins it.
    stats.window->chkWaitForSlot.UserClicked(1);
    launcher.cmbFavorites.UserPicked(2);
    EXPECT_EQ(launcher.txtServerName.Text(), "NoIP");
    EXPECT_EQ(launcher.txtIP.Text(), "");
    EXPECT_EQ(launcher.txtPort.Text(), "");
    EXPECT_EQ(stats.calls, (std::vector<std::string>{"SendQuery 127.0.0.1", "StopQuery"}));
    EXPECT_EQ(stats.window->chkWaitForSlot.Value(), 0);
    EXPECT_FALSE(stats.window->tmrTimeout.Enabled());
    EXPECT_EQ(stats.window->lblTitle.Caption(), "Server Stats");
    launcher.cmbFavorites.UserPicked(0);
    EXPECT_EQ(launcher.txtIP.Text(), "0.0.0.0");
    EXPECT_EQ(stats.calls.size(), 2u);
}

TEST_F(LauncherTest, AddingSavesResetsTheBoxesAndSaysSo) {
    Load();
    launcher.txtServerName.UserTyped("  Team Server ");
    launcher.txtIP.UserTyped(" 10.0.0.1");
    launcher.txtPort.UserTyped("15567 ");
    launcher.lblAddFav_Click();
    EXPECT_NE(services.files.files[kFavorites].find("[Team Server]\r\nServer=10.0.0.1\r\nPort=15567\r\n"),
              std::string::npos);
    EXPECT_EQ(launcher.cmbFavorites.Items().back(), "Team Server");
    EXPECT_EQ(launcher.cmbFavorites.ListIndex(), 0);
    EXPECT_EQ(launcher.txtServerName.Text(), "");
    EXPECT_EQ(launcher.txtIP.Text(), "0.0.0.0");
    EXPECT_EQ(launcher.txtPort.Text(), "0");
    EXPECT_EQ(view.messages,
              (std::vector<testing::FakeLauncherView::Message>{{"Server Added!", MessageIcon::kInformation, "Info"}}));
}

TEST_F(LauncherTest, AddingTrimsTabsLikeTheReaderAndRefusesWhatTheGameCannotUseSayingWhy) {
    Load();
    const std::string before = services.files.files[kFavorites];
    const struct {
        std::string name, ip, port, reason;
    } refused[] = {
        {"Tab\tInside", "10.0.0.1", "15567", "A server name cannot contain a tab or another control character."},
        {"Zero", "0.0.0.0", "15567",
         "0.0.0.0 marks a removed favourite and cannot be a server. Please enter the server's own address."},
        {"Bad IP", "999.1.1.1", "abc",
         "\"999.1.1.1\" is not an IP address: it must be four numbers from 0 to 255 with dots between them."},
        {"Bad port", "10.0.0.1", "abc", "The port must be a whole number from 1 to 65535."},
        {"Big port", "10.0.0.1", "65536", "The port must be a whole number from 1 to 65535."},
        {"Quote", "\"10.0.0.1", "1",
         "\"\"10.0.0.1\" is neither an IP address nor a host name: a host name holds only letters, digits, \"-\" "
         "and \".\"."},
    };
    for (const auto& c : refused) {
        launcher.txtServerName.UserTyped(c.name);
        launcher.txtIP.UserTyped(c.ip);
        launcher.txtPort.UserTyped(c.port);
        launcher.lblAddFav_Click();
        EXPECT_EQ(view.messages.back(),
                  (testing::FakeLauncherView::Message{c.reason, MessageIcon::kExclamation, "Error"}));
        EXPECT_EQ(launcher.txtIP.Text(), c.ip);  // the boxes keep what the user typed
    }
    EXPECT_EQ(services.files.writes, 0);
    EXPECT_EQ(services.files.files[kFavorites], before);

    launcher.txtServerName.UserTyped("\tTabbed\t ");
    launcher.txtIP.UserTyped("bfv.example.org\t");
    launcher.txtPort.UserTyped("15567");
    launcher.lblAddFav_Click();
    EXPECT_EQ(view.messages.back().text, "Server Added!");
    EXPECT_EQ(services.files.files[kFavorites],
              before + "[Tabbed]\r\nServer=bfv.example.org\r\nPort=15567\r\nCreation=14.08.2004  20:33:28\r\n");
    EXPECT_EQ(launcher.cmbFavorites.Items().back(), "Tabbed");
}

TEST_F(LauncherTest, AddingANameThatExistsAsksFirstAndNoWritesNothing) {
    Load();
    const std::string before = services.files.files[kFavorites];
    launcher.txtServerName.UserTyped("SAMPLE SERVER");
    launcher.txtIP.UserTyped("10.0.0.9");
    launcher.txtPort.UserTyped("15568");
    launcher.lblAddFav_Click();
    EXPECT_EQ(view.questions,
              (std::vector<testing::FakeLauncherView::Message>{
                  {"A favourite named Sample server exists. Replace it?", MessageIcon::kInformation, "Info"}}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(services.files.files[kFavorites], before);
    EXPECT_EQ(launcher.txtServerName.Text(), "SAMPLE SERVER");

    view.answer = true;
    launcher.lblAddFav_Click();
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.messages.back().text, "Server Added!");
    EXPECT_EQ(
        services.files.files[kFavorites],
        "[Sample server]\r\nServer=10.0.0.9\r\nPort=15568\r\nCreation=14.08.2004  20:33:28\r\n[NoIP]\r\nPort=1\r\n");
}

TEST_F(LauncherTest, NoServerOrTheResetAfterAddingUnticksTheSlotWait) {
    Load();
    launcher.cmbFavorites.UserPicked(1);
    stats.window->chkWaitForSlot.UserClicked(1);
    launcher.cmbFavorites.UserPicked(0);
    EXPECT_EQ(stats.window->chkWaitForSlot.Value(), 0);

    launcher.cmbFavorites.UserPicked(1);
    stats.window->chkWaitForSlot.UserClicked(1);
    launcher.txtServerName.UserTyped("Team Server");
    launcher.lblAddFav_Click();
    EXPECT_EQ(stats.window->chkWaitForSlot.Value(), 0);
}

TEST_F(LauncherTest, NamesTooShortOrOfBlanksAreRefusedAndNothingIsWritten) {
    Load();
    const std::string before = services.files.files[kFavorites];
    for (const std::string name : {"", "A", "  ", "é"}) {
        launcher.txtServerName.UserTyped(name);
        launcher.lblAddFav_Click();
        EXPECT_EQ(view.messages.back(), (testing::FakeLauncherView::Message{"Please enter a server name",
                                                                            MessageIcon::kExclamation, "Error"}))
            << name;
    }
    EXPECT_EQ(services.files.files[kFavorites], before);
}

TEST_F(LauncherTest, AFailedSaveIsReportedAndTheTypedServerKept) {
    Load();
    services.files.writeFailure = "Access is denied.";
    launcher.txtServerName.UserTyped("Team Server");
    launcher.txtIP.UserTyped("10.0.0.1");
    launcher.txtPort.UserTyped("15567");
    launcher.lblAddFav_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "Error");
    EXPECT_EQ(view.messages[0].text, "Could not write C:\\BFV\\Favorites.ini: Access is denied.");
    EXPECT_EQ(launcher.txtServerName.Text(), "Team Server");
    EXPECT_EQ(launcher.txtIP.Text(), "10.0.0.1");

    launcher.txtIP.UserTyped("10.0.0.1\n[Hack]");
    services.files.writeFailure.clear();
    launcher.lblAddFav_Click();
    EXPECT_EQ(view.messages.back().text,
              "\"10.0.0.1\n[Hack]\" is neither an IP address nor a host name: a host name holds only letters, digits, "
              "\"-\" and \".\".");
}

TEST_F(LauncherTest, RemovingOverwritesTheNamedFavouriteAndSaysSo) {
    Load();
    launcher.txtServerName.UserTyped("X");
    launcher.lblRemFav_Click();  // too short: nothing at all
    EXPECT_TRUE(view.messages.empty());

    launcher.cmbFavorites.UserPicked(1);
    launcher.lblRemFav_Click();
    EXPECT_NE(services.files.files[kFavorites].find("[Sample server]\r\nServer=0.0.0.0\r\nPort=0\r\n"),
              std::string::npos);
    EXPECT_EQ(launcher.cmbFavorites.Items(), (std::vector<std::string>{"-- No Server --", "NoIP"}));
    EXPECT_EQ(view.messages.back().text, "Server Removed!");

    const std::string before = services.files.files[kFavorites];
    const int writes = services.files.writes;
    for (const std::string name : {"Never added", "sample SERVER"}) {  // the second was just removed
        launcher.txtServerName.UserTyped(name);
        launcher.lblRemFav_Click();
        EXPECT_EQ(view.messages.back(),
                  (testing::FakeLauncherView::Message{"There is no favourite named \"" + name + "\".",
                                                      MessageIcon::kExclamation, "Error"}));
    }
    EXPECT_EQ(services.files.files[kFavorites], before);
    EXPECT_EQ(services.files.writes, writes);
    launcher.txtServerName.UserTyped("  ");
    launcher.lblRemFav_Click();
    EXPECT_EQ(view.messages.back().text, "Please enter a server name");
}

TEST_F(LauncherTest, LaunchStartsWithTheProfileOrJoinsTheTypedServer) {
    Load();
    launcher.lblLaunch_Click();
    ASSERT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(services.shell.starts[0].parameters, "+Profile Charlie +game BfVietnam");
    launcher.txtIP.UserTyped(" 10.0.0.1 ");
    launcher.txtPort.UserTyped("15567");
    launcher.lblLaunch_Click();
    EXPECT_EQ(services.shell.starts[1].parameters, "+restart 1 +game BfVietnam +joinServer 10.0.0.1:15567");
    launcher.txtIP.UserTyped("10.0.0.1 +exec x");
    launcher.lblLaunch_Click();
    EXPECT_EQ(services.shell.starts.size(), 2u);
    EXPECT_EQ(view.messages.back().title, "Error");

    services.shell.failure = "The system cannot find the file specified.";
    launcher.txtIP.UserTyped("0.0.0.0");
    launcher.txtPort.UserTyped("0");
    launcher.lblLaunch_Click();
    EXPECT_EQ(view.messages.back().text,
              "The game could not be started (C:\\BFV\\bfvietnam.exe): The system cannot find the file specified.");
}

TEST_F(LauncherTest, DraggingTheLauncherBringsTheStatsWindowBack) {
    Load();
    bounds = {3000, 500, 6000, 5700};
    launcher.lblTitle_MouseMove(kRightButton);
    EXPECT_TRUE(stats.calls.empty());
    launcher.Form_MouseMove(kLeftButton);
    EXPECT_EQ(view.calls.back(), "SystemDrag");
    EXPECT_EQ(stats.calls, (std::vector<std::string>{"ReDock"}));
    EXPECT_EQ(stats.surface.left, 9000);
    EXPECT_EQ(stats.surface.top, 500);

    stats.surface.calls.clear();
    stats.window->lblTitle_MouseMove(kLeftButton);  // the stats window's own drag does not dock
    EXPECT_EQ(stats.surface.calls, (std::vector<std::string>{"SystemDrag"}));
}

TEST_F(LauncherTest, CloseUnloadsTheStatsWindowReleasingItsSocketThenEnds) {
    Load();
    launcher.cmbFavorites.UserPicked(1);
    ASSERT_NE(stats.window->Sock(), nullptr);
    launcher.lblClose_Click();
    EXPECT_EQ(stats.calls.back(), "Unload");
    EXPECT_EQ(stats.window->Sock(), nullptr);
    EXPECT_FALSE(MSocketSupport::WinsockStarted());
    EXPECT_TRUE(view.ended);
}

TEST_F(LauncherTest, EnterAddsFromTheNameBoxAndAsksForTheTypedServerFromTheAddressBoxes) {
    Load();
    const std::string ipv6 =
        "is an IPv6 address, and the game's query protocol does not support IPv6. Please enter the server's IPv4 "
        "address or host name.";
    const struct {
        void (frmInterface::*press)(int);
        std::string ip, expectedQuery, expectedError;
    } cases[] = {
        {&frmInterface::txtIP_KeyPress, " 10.0.0.7 ", "SendQuery 10.0.0.7", ""},
        {&frmInterface::txtPort_KeyPress, "bfv.example.org", "SendQuery bfv.example.org", ""},
        {&frmInterface::txtIP_KeyPress, "::1", "", "\"::1\" " + ipv6},
        {&frmInterface::txtPort_KeyPress, "[fe80::1%eth0]", "", "\"[fe80::1%eth0]\" " + ipv6},
        {&frmInterface::txtIP_KeyPress, "0.0.0.0", "",
         "0.0.0.0 marks a removed favourite and cannot be a server. Please enter the server's own address."},
    };
    for (const auto& c : cases) {
        stats.calls.clear();
        view.messages.clear();
        launcher.txtIP.UserTyped(c.ip);
        (launcher.*c.press)('a');  // other keys do nothing
        EXPECT_TRUE(stats.calls.empty()) << c.ip;
        (launcher.*c.press)(kKeyReturn);
        EXPECT_EQ(stats.calls,
                  c.expectedQuery.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.expectedQuery})
            << c.ip;
        EXPECT_EQ(view.messages.empty() ? "" : view.messages[0].text, c.expectedError) << c.ip;
    }
    EXPECT_TRUE(services.shell.starts.empty());  // Enter in these boxes never launches

    // The same refusal when the address is added as a favourite; Enter in the name box adds.
    launcher.txtServerName.UserTyped("Loopback six");
    launcher.txtIP.UserTyped("::1");
    launcher.txtPort.UserTyped("15567");
    launcher.txtServerName_KeyPress(kKeyReturn);
    EXPECT_EQ(view.messages.back().text, "\"::1\" " + ipv6);
    launcher.txtIP.UserTyped("10.0.0.7");
    launcher.txtServerName_KeyPress(kKeyReturn);
    EXPECT_EQ(view.messages.back().text, "Server Added!");
    EXPECT_EQ(launcher.cmbFavorites.Items().back(), "Loopback six");
}

TEST_F(LauncherTest, TheUserCanShowWhereTheGameIsAndThatFolderIsRememberedWithTheChoices) {
    using Message = testing::FakeLauncherView::Message;
    const std::string moved = "D:\\Games\\BFV";
    services.files.files.erase(kGame);
    services.files.files[moved + "\\bfvietnam.exe"] = "MZ";
    services.directory.listings[moved + "\\Mods\\*.*"] = {"BfVietnam", "Hue Siege"};
    services.directory.listings[moved + "\\Mods\\BfVietnam\\Settings\\Profiles\\*.*"] = {"Dana", "Eve", "Finn"};
    services.files.files[moved + "\\Favorites.ini"] = services.files.files[kFavorites];
    launcher.Form_Load();
    EXPECT_EQ(launcher.cmbProfiles.Items(), (std::vector<std::string>{"Alice", "Bravo", "Charlie"}));

    // Launch Game asks too, rather than failing on "\bfvietnam.exe"; a folder without the game
    // is said so, and the question comes again.
    view.answer = true;
    desktop.picker.answers = {"D:\\Empty", moved};
    launcher.lblLaunch_Click();
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[1].text,
              "Battlefield Vietnam was not found: there is no bfvietnam.exe in D:\\Empty.\n\nDo you want to show "
              "Vantorel the game's folder now?");
    EXPECT_EQ(desktop.picker.owners, (std::vector<platform::WindowHandle>{0x100, 0x100}));
    EXPECT_EQ(modMain::GameDir(), moved);
    EXPECT_EQ(launcher.cmbProfiles.Items(), (std::vector<std::string>{"Dana", "Eve", "Finn"}));
    ASSERT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(services.shell.starts[0].program, moved + "\\bfvietnam.exe");
    EXPECT_TRUE(view.messages.empty());

    // Choices are written to the user's own folder, not the game's, and come back at the next start.
    launcher.cmbProfiles.UserPicked(0);
    launcher.cmbMods.UserPicked(1);
    launcher.cmbFavorites.UserPicked(1);
    const std::string remembered = services.files.files[desktop.settings.path + "\\Vantorel.ini"];
    EXPECT_EQ(remembered,
              "[Vantorel]\r\nGameFolder=" + moved + "\r\nProfile=Dana\r\nMod=Hue Siege\r\nFavorite=Sample server\r\n");
    EXPECT_EQ(services.files.files.count(moved + "\\Vantorel.ini"), 0u);

    StatsWindow nextStats{[this] { return bounds; }};
    frmInterface next{view, nextStats};
    view.questions.clear();
    next.Form_Load();
    next.Form_Shown();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(modMain::GameDir(), moved);
    EXPECT_EQ(next.cmbProfiles.Text(), "Dana");
    EXPECT_EQ(next.cmbMods.Text(), "Hue Siege");
    EXPECT_EQ(next.txtIP.Text(), "127.0.0.1");
    EXPECT_EQ(nextStats.calls, (std::vector<std::string>{"SendQuery 127.0.0.1", "Load", "Show"}));

    // Cancelling the question or the picker leaves everything as it was.
    services.files.files.erase(moved + "\\bfvietnam.exe");
    view.answer = false;
    next.lblLaunch_Click();
    EXPECT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(view.messages, std::vector<Message>{});
}

TEST_F(LauncherTest, ResizePaintsThePictureThenTheTranslucency) {
    launcher.Form_Resize();
    EXPECT_EQ(view.calls.front(), "DrawBackgroundStretched");
    EXPECT_EQ(view.calls.back(), "SetTranslucency 230 16711935");
}

// The Servers window reaches the launcher's favourites with their checks, its start of the
// game and the stats window through its link.
TEST_F(LauncherTest, TheServersWindowsLinkUsesTheLaunchersFavouritesGameAndStatsWindow) {
    Load();
    LauncherServersLink link(launcher, stats);
    // "NoIP" has no server to ask.
    EXPECT_EQ(link.Favorites(), (std::vector<browse::FavoriteServer>{{"Sample server", "127.0.0.1", "15567"}}));
    EXPECT_EQ(link.FavoriteRefusal({"Rock", "10.0.0.2", "0"}), serverFields::PortRefusal("0"));
    EXPECT_EQ(link.FavoriteRefusal({"Rock", "10.0.0.2", "15570"}), "");
    EXPECT_EQ(link.ExistingFavorite("SAMPLE SERVER"), "Sample server");
    EXPECT_EQ(link.SaveFavorite({"Rock", "10.0.0.2", "15570"}), "");
    EXPECT_EQ(launcher.cmbFavorites.Items().back(), "Rock");
    EXPECT_EQ(link.Join("10.0.0.2:15570"), "");
    ASSERT_EQ(services.shell.starts.size(), 1u);
    EXPECT_EQ(services.shell.starts[0].parameters, "+restart 1 +game BfVietnam +joinServer 10.0.0.2:15570");
    link.ShowInStats({"10.0.0.2", 23001, 0, "Rock"});
    link.WaitForSlot({"10.0.0.2", 23001, 15570, "Rock"});
    EXPECT_EQ(stats.calls,
              (std::vector<std::string>{"ShowServer 10.0.0.2:23001 ", "WaitForSlot 10.0.0.2:23001 15570"}));
}

// The Servers window's place is kept beside the launcher's choices, neither losing the
// other's, and read back only when it is a place.
TEST_F(LauncherTest, TheServersWindowsPlaceIsKeptWithTheChoices) {
    Load();
    launcher.cmbMods.UserPicked(1);
    launcher.cmbFavorites.UserPicked(1);  // the launcher keeps its choices
    EXPECT_EQ(userChoices::SaveServersWindow({-8, 40, 900, 600}), "");
    launcher.cmbProfiles.UserPicked(0);
    launcher.cmbFavorites.UserPicked(0);  // and again
    const userChoices::Choices kept = userChoices::Load();
    EXPECT_EQ(kept.profile, "Alice");
    EXPECT_EQ(kept.mod, "Desert Mod");
    EXPECT_EQ(userChoices::ParsePlace(kept.serversWindow), (userChoices::WindowPlace{-8, 40, 900, 600}));
    for (const char* text : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "a,2,3,4", "1.5,2,3,4", "1,2,3,99999999"}) {
        EXPECT_FALSE(userChoices::ParsePlace(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace vantorel
