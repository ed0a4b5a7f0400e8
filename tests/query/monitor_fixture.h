#pragma once
// A stats window's logic on faked sockets and launcher services, with the launcher's
// controls it reads, and helpers to answer its queries.

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/codepage.h"
#include "fakes/fake_services.h"
#include "fakes/fake_sockets.h"
#include "fakes/launch_game.h"
#include "forms/combo_box.h"
#include "forms/controls.h"
#include "launcher/mod_main.h"
#include "platform/winsock_numbers.h"
#include "query/frm_query.h"

namespace vantorel::testing {

class RecordingStatsView : public StatsWindowView {
  public:
    void FreezeDrawing() override {
        if (!failure.empty()) {
            throw std::runtime_error(failure);
        }
        ++depth;
        deepest = std::max(deepest, depth);
        ++freezes;
    }
    void UnfreezeDrawing() override { --depth; }
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override {
        messages.push_back({text, icon, title, depth});
    }
    struct Message {
        std::string text;
        MessageIcon icon;
        std::string title;
        int frozen = 0;  // how deep the drawing was frozen while it showed
    };
    std::string failure;  // when set, freezing the drawing throws with this text
    int depth = 0;
    int deepest = 0;
    int freezes = 0;
    std::vector<Message> messages;
};

class MonitorTest : public ::testing::Test {
  protected:
    MonitorTest() {
        services.registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", "C:\\BFV");
        modMain::ReadGameDir();
        profiles.SetText("  Alice ");
        mods.SetText("BfVietnam");
        txtIP.SetText(" 10.0.0.1 ");
        txtPort.SetText("15567");
        monitor = std::make_unique<frmQuery>(view, &launcher, frmQuery::Options{});
        monitor->Start();
    }

    // The server's answer, from `from` (the queried server by default), in the servers'
    // code page.
    void Reply(const std::string& text, const std::string& from = "10.0.0.1") {
        platform::SockaddrIn sender;
        sender.address = Dotted(from);
        sender.port = 0xD859;
        const std::string bytes = Utf8ToCp1252(text);
        sockets.sockets.incoming[monitor->Sock()->SocketHandle()].push_back(
            {std::vector<std::uint8_t>(bytes.begin(), bytes.end()), sender});
        monitor->Sock()->PostSocketEvent(winsock::kFdRead, 0);
    }
    std::string LastSent() const {
        const auto& sent = sockets.sockets.sent;
        return sent.empty() ? "" : std::string(sent.back().bytes.begin(), sent.back().bytes.end());
    }

    FakePlatform services;
    FakeSocketPlatform sockets;
    RecordingStatsView view;
    ComboBox profiles, mods;
    TextBox txtIP, txtPort;
    LauncherControls launcher{txtIP, txtPort, profiles, mods, LaunchGame};
    // The monotonic time the window reads; tests move it.
    platform::MonotonicClock::time_point& now = services.clock.now.emplace();
    std::unique_ptr<frmQuery> monitor;
};

}  // namespace vantorel::testing
