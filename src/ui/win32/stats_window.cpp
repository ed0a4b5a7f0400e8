#include "ui/win32/stats_window.h"

#include "platform/win32/wide.h"
#include "ui/win32/bindings.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/message_box.h"

namespace vantorel::ui {
namespace {

// The box of a check box and the gap after it, in pixels at 96 DPI.
constexpr int kCheckBoxBox = 20;

}  // namespace

StatsWindow::StatsWindow(const LauncherControls& launcher, std::function<TwipsRect()> launcherBounds, HWND owner,
                         std::function<void()> onClose)
    : logic_(*this, &launcher), owner_(owner), onClose_(std::move(onClose)) {
    // Owned by the launcher and a tool window: no taskbar or Alt+Tab entry of its own, and it
    // minimises and restores with the launcher.
    Create(kStatsClass, "DUD Uvudi", owner, WS_EX_TOOLWINDOW, 0, 0, 3945, 3975);
    const HFONT normal = Font(825);
    // Labels show "&" as itself (server names have them), and take the mouse themselves:
    // only the bare background and the title drag the window. What the server sends may be
    // longer than a label: it ends in "...", never in half a letter.
    const DWORD labelStyle = SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS;
    title_ = AddControl(L"STATIC", logic_.lblTitle.Caption(), labelStyle, kStatsTitle, 120, 120, 3735, 255, normal);
    const HWND serverTitle = AddControl(L"STATIC", "", labelStyle, kServerTitle, 120, 600, 3615, 255, Font(975));
    const HWND map = AddControl(L"STATIC", "", labelStyle, kMap, 240, 840, 3375, 255, normal);
    const HWND counts = AddControl(L"STATIC", "", labelStyle, kPlayerCounts, 120, 1320, 3615, 255, normal);
    // A player's line can be selected, to keep an eye on it across the refreshes.
    const HWND list = AddControl(L"LISTBOX", "", LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL, kPlayers, 360, 1800,
                                 3255, 1590, Font(675));
    // Strips in the window colour frame the list and hide its edges.
    AddControl(L"STATIC", "", SS_NOTIFY, kBorderStrip, 360, 1680, 3255, 135, nullptr);
    AddControl(L"STATIC", "", SS_NOTIFY, kBorderStrip + 1, 240, 1800, 135, 1815, nullptr);
    AddControl(L"STATIC", "", SS_NOTIFY, kBorderStrip + 2, 3600, 1800, 135, 1935, nullptr);
    AddControl(L"STATIC", "", SS_NOTIFY, kBorderStrip + 3, 360, 3360, 3255, 135, nullptr);
    // The caption grows to the left, over the empty part of the bottom row, as its font needs.
    check_ = AddControl(L"BUTTON", logic_.chkWaitForSlot.Caption(), BS_AUTOCHECKBOX, kWaitForSlot, 1200, 3480, 2415,
                        255, Font(675), {Fit::kLeft, 240, kCheckBoxBox});
    for (HWND label : {title_, serverTitle, map, counts}) {
        SetTextColour(label, kOrange);
        MakeTransparent(label);
    }
    SetTextColour(list, kOrange);
    SetTextColour(check_, kOrange);

    BindLabel(logic_.lblTitle, title_);
    BindLabel(logic_.lblServerTitle, serverTitle);
    BindLabel(logic_.lblMap, map);
    BindLabel(logic_.lblPlayers, counts);
    BindListBox(logic_.lstPlayers, list);
    BindCheckBox(logic_.chkWaitForSlot, check_);
    BindTimer(logic_.tmrRefresh, Hwnd(), kRefreshTimer);
    BindTimer(logic_.tmrTimeout, Hwnd(), kTimeoutTimer);
    BindTimer(logic_.tmrParts, Hwnd(), kPartsTimer);

    // The title is a drag handle too.
    ForwardMouseMoves(title_, [this](unsigned buttons) { logic_.lblTitle_MouseMove(buttons); });

    logic_.AttachWindow(*this, std::move(launcherBounds));
    logic_.Form_Load();
}

StatsWindow::~StatsWindow() {
    logic_.Form_Unload();
}

void StatsWindow::Show() {
    ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    logic_.Form_Resize();
}

void StatsWindow::BindLabel(Label& model, HWND label) {
    SetLabelText(label, model.Caption());
    model.SetOnChange([this, &model, label] { SetLabelText(label, model.Caption()); });
}

void StatsWindow::MoveTo(int leftTwips, int topTwips) {
    SetWindowPos(Hwnd(), nullptr, leftTwips / kScreenTwipsPerPixel, topTwips / kScreenTwipsPerPixel, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsRect StatsWindow::Bounds() const {
    RECT area;
    GetWindowRect(Hwnd(), &area);
    return {area.left * kScreenTwipsPerPixel, area.top * kScreenTwipsPerPixel,
            (area.right - area.left) * kScreenTwipsPerPixel, (area.bottom - area.top) * kScreenTwipsPerPixel};
}

TwipsRect StatsWindow::WorkArea() const {
    // The launcher's screen: the stats window goes where the launcher is.
    const RECT work = ui::WorkArea(owner_ ? owner_ : Hwnd());
    return {work.left * kScreenTwipsPerPixel, work.top * kScreenTwipsPerPixel,
            (work.right - work.left) * kScreenTwipsPerPixel, (work.bottom - work.top) * kScreenTwipsPerPixel};
}

void StatsWindow::DrawNow() {
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void StatsWindow::FreezeDrawing() {
    frozen_ = LockWindowUpdate(Hwnd()) != 0;
}

void StatsWindow::UnfreezeDrawing() {
    if (frozen_) {
        LockWindowUpdate(nullptr);
        frozen_ = false;
    }
}

void StatsWindow::ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    // A box raised in the middle of a display refresh must not sit over a frozen window: the
    // window is drawn again first, and frozen again for the rest of the refresh.
    const bool wasFrozen = frozen_;
    UnfreezeDrawing();
    // Owned by the launcher like every box of the program, so that both windows wait for it.
    ShowMessageBox(owner_ ? owner_ : Hwnd(), text, icon, title);
    if (wasFrozen) {
        FreezeDrawing();
    }
}

void StatsWindow::PaintDecorations(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, Scale(15), kOrange);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, Scale(120), Scale(360), nullptr);
    LineTo(dc, Scale(3840), Scale(360));
    SelectObject(dc, previous);
    DeleteObject(pen);
}

LRESULT StatsWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: logic_.Form_Resize(); return 0;
        case WM_CLOSE:
            // Alt+F4 here does what the launcher's "X" does.
            if (onClose_) {
                onClose_();
            }
            return 0;
        case WM_MOUSEMOVE: logic_.Form_MouseMove(Buttons(wParam)); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kWaitForSlot && HIWORD(wParam) == BN_CLICKED) {
                CheckBoxClicked(logic_.chkWaitForSlot, check_);
            }
            return 0;
        case WM_TIMER:
            switch (wParam) {
                case kRefreshTimer: logic_.tmrRefresh_Timer(); break;
                case kTimeoutTimer: logic_.tmrTimeout_Timer(); break;
                case kPartsTimer: logic_.tmrParts_Timer(); break;
                default: break;
            }
            return 0;
        default: return SkinnedWindow::HandleMessage(message, wParam, lParam);
    }
}

StatsWindow& StatsWindowHost::Get() {
    if (!window_) {
        window_ = std::make_unique<StatsWindow>(launcher_, launcherBounds_, owner_(), onClose_);
    }
    return *window_;
}

void StatsWindowHost::FollowLauncher() {
    if (window_) {
        window_->Logic().ReDock();
    }
}

void StatsWindowHost::Unload() {
    Get();
    window_.reset();
}

}  // namespace vantorel::ui
