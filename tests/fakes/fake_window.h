#pragma once
// Recording stand-ins for the windows' real windows.

#include <string>
#include <vector>

#include "fakes/recording_surface.h"
#include "launcher/frm_interface.h"
#include "query/frm_query.h"

namespace vantorel::testing {

class FakeLauncherView : public RecordingSurface<LauncherWindowView> {
  public:
    FakeLauncherView() : RecordingSurface(0x100) {}
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override {
        messages.push_back({text, icon, title});
    }
    bool AskYesNo(const std::string& text, const std::string& title) override {
        questions.push_back({text, MessageIcon::kInformation, title});
        return answer;
    }
    void EndProcess() override { ended = true; }

    struct Message {
        std::string text;
        MessageIcon icon;
        std::string title;
        bool operator==(const Message&) const = default;
    };
    std::vector<Message> messages;
    std::vector<Message> questions;  // asked with Yes and No
    bool answer = false;             // what the user answers to every question
    bool ended = false;
};

class FakeStatsSurface : public RecordingSurface<StatsWindowSurface> {
  public:
    FakeStatsSurface() : RecordingSurface(0x200) {}
    void MoveTo(int left, int top) override {
        this->left = left;
        this->top = top;
        calls.push_back("MoveTo " + std::to_string(left) + " " + std::to_string(top));
    }
    TwipsRect Bounds() const override { return {left, top, 3945, 3975}; }
    TwipsRect WorkArea() const override { return workArea; }
    int left = -1;
    int top = -1;
    TwipsRect workArea{0, 0, 1920 * 15, 1040 * 15};
};

}  // namespace vantorel::testing
