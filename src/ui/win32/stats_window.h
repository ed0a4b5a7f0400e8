#pragma once
// The stats window on Win32: the controls of frmQuery, drawn and forwarded.

#include <memory>

#include "launcher/frm_interface.h"
#include "query/frm_query.h"
#include "ui/win32/skinned_window.h"

namespace vantorel::ui {

class StatsWindow : public SkinnedSurface<StatsWindowSurface>, public StatsWindowView {
  public:
    // The window and its logic; its load runs when the window is made.
    StatsWindow(const LauncherControls& launcher, std::function<TwipsRect()> launcherBounds);
    ~StatsWindow() override;

    frmQuery& Logic() { return logic_; }
    void Show();

    // StatsWindowSurface
    void MoveTo(int leftTwips, int topTwips) override;
    // StatsWindowView
    void FreezeDrawing() override;
    void UnfreezeDrawing() override;
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintDecorations(HDC dc) override;
    void BindLabel(Label& model, HWND label);

    frmQuery logic_;
    HWND title_ = nullptr;
    HWND check_ = nullptr;
};

// The one stats window of the process, made by whichever of the launcher's calls comes first.
class StatsWindowHost : public StatsWindowLink {
  public:
    StatsWindowHost(const LauncherControls& launcher, std::function<TwipsRect()> launcherBounds)
        : launcher_(launcher), launcherBounds_(std::move(launcherBounds)) {}

    void Show() override { Get().Show(); }
    void SendQuery(const std::string& address) override { Get().Logic().SendQuery(address); }
    void ReDock() override { Get().Logic().ReDock(); }
    void Unload() override;
    void CancelSlotWait() override {
        if (window_) {
            window_->Logic().CancelSlotWait();
        }
    }

  private:
    StatsWindow& Get();

    const LauncherControls& launcher_;
    std::function<TwipsRect()> launcherBounds_;
    std::unique_ptr<StatsWindow> window_;
};

}  // namespace vantorel::ui
