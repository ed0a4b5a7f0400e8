#pragma once
// Recording stand-ins for the windows' real windows.

#include <string>
#include <vector>

#include "launcher/frm_interface.h"
#include "launcher/window_surface.h"
#include "query/frm_query.h"

namespace vantorel::testing {

// Records the window calls in order, as text.
template <typename Base>
class RecordingSurface : public Base {
  public:
    explicit RecordingSurface(platform::WindowHandle handle) : handle_(handle) {}
    platform::WindowHandle Handle() const override { return handle_; }
    std::int32_t GetWindowLongA(platform::WindowHandle window, int index) override {
        calls.push_back("GetWindowLongA " + std::to_string(window) + " " + std::to_string(index));
        return style;
    }
    std::int32_t SetWindowLongA(platform::WindowHandle window, int index, std::int32_t value) override {
        calls.push_back("SetWindowLongA " + std::to_string(window) + " " + std::to_string(index) + " " +
                        std::to_string(value));
        const std::int32_t previous = style;
        style = value;
        return previous;
    }
    bool SetLayeredWindowAttributes(platform::WindowHandle window, std::uint32_t key, std::uint8_t alpha,
                                    std::uint32_t flags) override {
        calls.push_back("SetLayeredWindowAttributes " + std::to_string(window) + " " + std::to_string(key) + " " +
                        std::to_string(alpha) + " " + std::to_string(flags));
        return layered;
    }
    bool ReleaseCapture() override {
        calls.push_back("ReleaseCapture");
        return true;
    }
    std::intptr_t SendMessageA(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override {
        calls.push_back("SendMessageA " + std::to_string(window) + " " + std::to_string(message) + " " +
                        std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }
    void DrawBackgroundStretched() override { calls.push_back("DrawBackgroundStretched"); }

    std::vector<std::string> calls;
    std::int32_t style = 0x10;  // some extended style the window already has
    bool layered = true;

  private:
    platform::WindowHandle handle_;
};

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
