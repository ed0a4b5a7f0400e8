#include "ui/win32/stats_window.h"

#include <algorithm>
#include <cwchar>

#include "platform/win32/wide.h"
#include "query/stats_text.h"
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
    // A player's line can be selected, to keep an eye on it across the refreshes. The list
    // draws its lines in columns under a header, where the top strip was.
    header_ = AddControl(L"STATIC", "", SS_OWNERDRAW | SS_NOTIFY, kPlayerHeader, 360, 1590, 3255, 210, Font(675));
    list_ =
        AddControl(L"LISTBOX", "", LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL,
                   kPlayers, 360, 1800, 3255, 1590, Font(675));
    const HWND list = list_;
    FitListToRows();
    // Strips in the window colour frame the list and hide its edges.
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

void StatsWindow::AfterRelayout() {
    SendMessageW(list_, LB_SETITEMHEIGHT, 0, RowHeight());
    FitListToRows();
    logic_.ReDock();
}

int StatsWindow::RowHeight() {
    // Asked while the list is being made, before it has its font: the font is the list's.
    HDC dc = GetDC(Hwnd());
    const HGDIOBJ previous = SelectObject(dc, Font(675));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(Hwnd(), dc);
    return std::max(1, static_cast<int>(metrics.tmHeight));
}

void StatsWindow::FitListToRows() {
    // As many whole rows as its place holds: the strip below it covers what is left over.
    RECT area;
    GetWindowRect(list_, &area);
    const int row = std::max(1, static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0)));
    const int rows = std::max(1, static_cast<int>(area.bottom - area.top) / row);
    SetWindowPos(list_, nullptr, 0, 0, area.right - area.left, rows * row, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The header ends where the list begins, whatever the rounding of the two to pixels.
    RECT header;
    GetWindowRect(header_, &header);
    SetWindowPos(header_, nullptr, 0, 0, header.right - header.left, std::max(1L, area.top - header.top),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::array<RECT, 4> StatsWindow::Columns(HDC dc, int left) const {
    // Each column as wide as its widest text and its header; the name takes what is left.
    const auto width = [dc](std::initializer_list<const wchar_t*> texts) {
        int widest = 0;
        for (const wchar_t* text : texts) {
            SIZE size{};
            GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
            widest = std::max(widest, static_cast<int>(size.cx));
        }
        return widest;
    };
    RECT inner;
    GetClientRect(list_, &inner);
    const int gap = MulDiv(6, Dpi(), 96);
    const int team = width({L"nva", L"Team"});
    const int numbers = width({L"00/00/00", L"S/K/D"});
    const int ping = width({L"999", L"Ping"});
    const int teamLeft = left + gap / 2;
    const int pingRight = left + inner.right - gap / 2;
    const int numbersRight = pingRight - ping - gap;
    const int nameLeft = teamLeft + team + gap;
    return {RECT{teamLeft, 0, teamLeft + team, 0},
            RECT{nameLeft, 0, std::max(nameLeft, numbersRight - numbers - gap), 0},
            RECT{numbersRight - numbers, 0, numbersRight, 0}, RECT{pingRight - ping, 0, pingRight, 0}};
}

void StatsWindow::DrawColumns(HDC dc, const RECT& row, const std::array<std::string, 4>& texts) {
    const std::array<RECT, 4> columns = Columns(dc, row.left);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        RECT cell{columns[i].left, row.top, columns[i].right, row.bottom};
        const std::wstring text = platform::Widen(texts[i]);
        // The numbers stand right-aligned under their headers; a name too long ends in "...".
        const UINT align = i >= 2 ? DT_RIGHT : DT_LEFT;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                  align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void StatsWindow::DrawPlayer(const DRAWITEMSTRUCT& item) {
    RECT inner;
    GetClientRect(list_, &inner);
    if (inner.right != drawnWidth_) {
        // A scroll bar came or went: the rows drawn before, and the header, move their columns.
        drawnWidth_ = inner.right;
        InvalidateRect(list_, nullptr, FALSE);
        InvalidateRect(header_, nullptr, FALSE);
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HBRUSH fill = CreateSolidBrush(selected ? kOrange : kWindowColour);
    FillRect(item.hDC, &item.rcItem, fill);
    DeleteObject(fill);
    if (item.itemID == static_cast<UINT>(-1)) {
        return;  // an empty list with the focus
    }
    const int length = static_cast<int>(SendMessageW(list_, LB_GETTEXTLEN, item.itemID, 0));
    std::wstring line(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    line.resize(static_cast<std::size_t>(std::max(
        0, static_cast<int>(SendMessageW(list_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(line.data()))))));
    const statsText::PlayerColumns columns = statsText::SplitPlayerLine(platform::Narrow(line));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, selected ? kWindowColour : kOrange);
    DrawColumns(item.hDC, item.rcItem, {columns.team, columns.name, columns.scoreKillsDeaths, columns.ping});
    if ((item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
}

void StatsWindow::DrawHeader(const DRAWITEMSTRUCT& item) {
    HBRUSH fill = CreateSolidBrush(kWindowColour);
    FillRect(item.hDC, &item.rcItem, fill);
    DeleteObject(fill);
    const HGDIOBJ previous = SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, kBoxText);
    std::array<std::string, 4> headers;
    std::copy(statsText::kPlayerHeaders.begin(), statsText::kPlayerHeaders.end(), headers.begin());
    DrawColumns(item.hDC, item.rcItem, headers);
    SelectObject(item.hDC, previous);
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
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item.CtlID != kPlayers) {
                return SkinnedWindow::HandleMessage(message, wParam, lParam);
            }
            item.itemHeight = static_cast<UINT>(RowHeight());
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlID == kPlayers) {
                DrawPlayer(item);
                return TRUE;
            }
            if (item.CtlID == kPlayerHeader) {
                DrawHeader(item);
                return TRUE;
            }
            return SkinnedWindow::HandleMessage(message, wParam, lParam);
        }
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
