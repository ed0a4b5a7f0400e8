#pragma once
// The stats window on Win32: the controls of frmQuery, drawn and forwarded.

#include <array>
#include <memory>
#include <string>

#include "launcher/frm_interface.h"
#include "query/frm_query.h"
#include "ui/win32/skinned_window.h"

namespace vantorel::ui {

class StatsWindow : public SkinnedSurface<StatsWindowSurface>, public StatsWindowView {
  public:
    // The window and its logic, owned by the launcher window; its load runs when the window
    // is made. It cannot be closed on its own: a close asks the launcher's close.
    StatsWindow(const LauncherControls& launcher, std::function<TwipsRect()> launcherBounds, HWND owner,
                std::function<void()> onClose);
    ~StatsWindow() override;

    frmQuery& Logic() { return logic_; }
    void Show();

    // StatsWindowSurface
    void MoveTo(int leftTwips, int topTwips) override;
    TwipsRect Bounds() const override;
    TwipsRect WorkArea() const override;
    // StatsWindowView
    void FreezeDrawing() override;
    void UnfreezeDrawing() override;
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
    void DrawNow() override;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintDecorations(HDC dc) override;
    // A move to a monitor of another DPI suggests a place of its own: the launcher's edge
    // is the place; the player list's rows take the new font's height.
    void AfterRelayout() override;
    void BindLabel(Label& model, HWND label);
    // The player list: one row per line, as high as its font, laid out in the columns of
    // the header above it, and never a row cut in half at its bottom.
    int RowHeight();
    void FitListToRows();
    std::array<RECT, 4> Columns(HDC dc, int left) const;
    void DrawColumns(HDC dc, const RECT& row, const std::array<std::string, 4>& texts);
    void DrawPlayer(const DRAWITEMSTRUCT& item);
    void DrawHeader(const DRAWITEMSTRUCT& item);

    frmQuery logic_;
    HWND owner_;
    std::function<void()> onClose_;
    HWND title_ = nullptr;
    HWND check_ = nullptr;
    HWND list_ = nullptr;
    HWND header_ = nullptr;
    int drawnWidth_ = 0;  // the list's inner width that its rows were drawn for
    bool frozen_ = false;
};

// The one stats window of the process, made by whichever of the launcher's calls comes first.
class StatsWindowHost : public StatsWindowLink {
  public:
    StatsWindowHost(const LauncherControls& launcher, std::function<TwipsRect()> launcherBounds,
                    std::function<HWND()> owner, std::function<void()> onClose)
        : launcher_(launcher),
          launcherBounds_(std::move(launcherBounds)),
          owner_(std::move(owner)),
          onClose_(std::move(onClose)) {}

    void Show() override { Get().Show(); }
    void SendQuery(const std::string& address) override { Get().Logic().SendQuery(address); }
    void ReDock() override { Get().Logic().ReDock(); }
    void Unload() override;
    void CancelSlotWait() override {
        if (window_) {
            window_->Logic().CancelSlotWait();
        }
    }
    void StopQuery() override { Get().Logic().StopQuery(); }
    void ShowServer(const std::string& host, int queryPort, const std::string& gamePort) override {
        Get().Logic().ShowServer(host, queryPort, gamePort);
    }
    void WaitForSlot(const std::string& host, int queryPort, const std::string& gamePort) override {
        Get().Logic().WaitForSlot(host, queryPort, gamePort);
    }

    // The launcher moved, however it was moved: the stats window, once it exists, follows.
    void FollowLauncher();

  private:
    StatsWindow& Get();

    const LauncherControls& launcher_;
    std::function<TwipsRect()> launcherBounds_;
    std::function<HWND()> owner_;
    std::function<void()> onClose_;
    std::unique_ptr<StatsWindow> window_;
};

}  // namespace vantorel::ui
