#pragma once
// A window surface that records what the logic asks of it.

#include <string>
#include <vector>

#include "forms/window_surface.h"

namespace vantorel::testing {

// Records the window calls in order, as text.
template <typename Base>
class RecordingSurface : public Base {
  public:
    explicit RecordingSurface(platform::WindowHandle handle) : handle_(handle) {}
    platform::WindowHandle Handle() const override { return handle_; }
    void DrawBackgroundStretched() override { calls.push_back("DrawBackgroundStretched"); }
    void SetTranslucency(std::uint8_t alpha, std::uint32_t colourKey) override {
        calls.push_back("SetTranslucency " + std::to_string(alpha) + " " + std::to_string(colourKey));
    }
    void SystemDrag() override { calls.push_back("SystemDrag"); }

    std::vector<std::string> calls;

  private:
    platform::WindowHandle handle_;
};

}  // namespace vantorel::testing
