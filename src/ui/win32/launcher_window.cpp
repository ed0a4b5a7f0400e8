#include "ui/win32/launcher_window.h"

#include "ui/win32/bindings.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/message_box.h"

namespace vantorel::ui {
namespace {

constexpr int kWidth = 5940;
constexpr int kHeight = 5700;
constexpr int kStatsWidth = 3945;

// The frames around the name, IP and port boxes, and the rule under the title.
struct Frame {
    int left, top, width, height;
};
constexpr Frame kFrames[] = {{480, 3600, 4815, 375}, {480, 4365, 1935, 375}, {2640, 4365, 1335, 375}};

}  // namespace

LauncherWindow::LauncherWindow()
    : controls_{logic_.txtIP, logic_.txtPort, logic_.cmbProfiles, logic_.cmbMods},
      stats_(
          controls_, [this] { return Bounds(); }, [this] { return Hwnd(); }, [this] { logic_.lblClose_Click(); }),
      logic_(*this, stats_) {
    // Placed so that the launcher and the stats window beside it sit in the middle of the
    // screen, as a new window of the system would.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int dpi = WindowDpi(nullptr);
    const int left = work.left + (work.right - work.left - MulDiv(kWidth + kStatsWidth, dpi, 1440)) / 2;
    const int top = work.top + (work.bottom - work.top - MulDiv(kHeight, dpi, 1440)) / 2;
    // A control parent: the message loop gives it dialog navigation (Tab, Shift+Tab, Enter).
    Create(kLauncherClass, "Vantorel", nullptr, WS_EX_CONTROLPARENT, left > 0 ? left : 0, top > 0 ? top : 0, kWidth,
           kHeight);

    const HFONT normal = Font(825);
    title_ = Label(kLauncherTitle, logic_.lblTitle.Caption(), 240, 120, 3735, 255, normal, kOrange);
    Label(kLauncherClose, "X", 5520, 120, 135, 255, Font(825, true), kOrange);
    Label(kProfileCaption, "Profiles", 480, 600, 1575, 255, normal, kOrange);
    Label(kModCaption, "Installed Mods", 480, 1560, 1575, 255, normal, kOrange);
    Label(kFavoritesCaption, "Favorite Servers", 480, 2520, 1575, 255, normal, kOrange);
    Label(kServerNameCaption, "Server Name", 480, 3360, 1455, 255, normal, kOrange);
    Label(kIPCaption, "Server IP", 480, 4080, 975, 255, normal, kOrange);
    Label(kPortCaption, "Server Port", 2640, 4080, 1215, 255, normal, kOrange);
    Label(kAddFavorite, "Add To Fav's", 4200, 4320, 1215, 255, normal, kBlue);
    Label(kRemoveFavorite, "Remove", 4200, 4560, 855, 255, normal, kBlue);
    Label(kLaunch, "Launch Game", 3240, 5040, 2415, 495, Font(1575), kOrange);

    // Editable drop-down lists; the height given is the list's when it is dropped down.
    const DWORD comboStyle = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
    struct Combo {
        ComboBox& model;
        int id;
        int top;
    };
    int flapId = kFirstFlap;
    for (const Combo& combo : {Combo{logic_.cmbProfiles, kProfiles, 840}, Combo{logic_.cmbMods, kMods, 1800},
                               Combo{logic_.cmbFavorites, kFavorites, 2760}}) {
        const HWND control =
            AddControl(L"COMBOBOX", "", comboStyle | WS_CLIPSIBLINGS, combo.id, 480, combo.top, 4935, 3000, normal);
        SetTextColour(control, kBoxText);
        mirrors_.push_back(BindComboBox(combo.model, control));
        CoverComboEdges(control, flapId);
    }
    struct Box {
        TextBox& model;
        int id;
        Frame place;
    };
    for (const Box& box :
         {Box{logic_.txtServerName, kServerName, {600, 3675, 4575, 195}},
          Box{logic_.txtIP, kIP, {600, 4440, 1695, 195}}, Box{logic_.txtPort, kPort, {2760, 4440, 1095, 225}}}) {
        const HWND edit = AddControl(L"EDIT", box.model.Text(), ES_AUTOHSCROLL | WS_TABSTOP, box.id, box.place.left,
                                     box.place.top, box.place.width, box.place.height, normal);
        SetTextColour(edit, kBoxText);
        BindTextBox(box.model, edit);
    }

    // The title is a drag handle too.
    ForwardMouseMoves(title_, [this](unsigned buttons) { logic_.lblTitle_MouseMove(buttons); });
}

HWND LauncherWindow::Label(int id, const std::string& caption, int left, int top, int width, int height, HFONT font,
                           COLORREF colour) {
    // Every label takes the mouse itself (a static control without SS_NOTIFY is transparent
    // to it, and pressing it would drag the window): only the bare background and the title
    // drag. Clicks count only on the label buttons. "&" shows as itself.
    const HWND label = AddControl(L"STATIC", caption, SS_NOTIFY | SS_NOPREFIX, id, left, top, width, height, font);
    SetTextColour(label, colour);
    MakeTransparent(label);
    return label;
}

void LauncherWindow::CoverComboEdges(HWND combo, int& nextId) {
    Flaps flaps{combo, {}};
    for (HWND& box : flaps.boxes) {
        box = AddControl(L"STATIC", "", SS_NOTIFY, nextId++, 0, 0, 0, 0, nullptr);
    }
    flaps_.push_back(flaps);
    PlaceFlaps();
}

void LauncherWindow::PlaceFlaps() {
    // Thin boxes in the window colour over the combo boxes' sunken edges. A drop-down combo
    // box sizes itself from its font, so they go where it really is, after every DPI change.
    const int edge = MulDiv(2, Dpi(), 96);
    for (const Flaps& flaps : flaps_) {
        RECT area;
        GetWindowRect(flaps.combo, &area);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
        const RECT places[] = {{area.left, area.top, area.right, area.top + edge},
                               {area.left, area.bottom - edge, area.right, area.bottom},
                               {area.left, area.top, area.left + edge, area.bottom},
                               {area.right - edge, area.top, area.right, area.bottom}};
        for (int i = 0; i < 4; ++i) {
            SetWindowPos(flaps.boxes[i], HWND_TOP, places[i].left, places[i].top, places[i].right - places[i].left,
                         places[i].bottom - places[i].top, SWP_NOACTIVATE);
        }
    }
}

void LauncherWindow::Load() {
    logic_.Form_Load();
    ShowWindow(Hwnd(), SW_SHOW);
    logic_.Form_Resize();
    SetFocus(GetDlgItem(Hwnd(), kProfiles));
}

TwipsRect LauncherWindow::Bounds() const {
    RECT area;
    GetWindowRect(Hwnd(), &area);
    return {area.left * kScreenTwipsPerPixel, area.top * kScreenTwipsPerPixel,
            (area.right - area.left) * kScreenTwipsPerPixel, (area.bottom - area.top) * kScreenTwipsPerPixel};
}

void LauncherWindow::ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    ShowMessageBox(Hwnd(), stats_.WindowIfLoaded(), text, icon, title);
}

bool LauncherWindow::AskYesNo(const std::string& text, const std::string& title) {
    return AskYesNoBox(Hwnd(), text, title);
}

void LauncherWindow::EndProcess() {
    ExitProcess(0);
}

void LauncherWindow::PaintDecorations(HDC dc) {
    HPEN orange = CreatePen(PS_SOLID, Scale(15), kOrange);
    HGDIOBJ previous = SelectObject(dc, orange);
    MoveToEx(dc, Scale(240), Scale(360), nullptr);
    LineTo(dc, Scale(5640), Scale(360));
    HPEN grey = CreatePen(PS_SOLID, Scale(15), kFrameGrey);
    SelectObject(dc, grey);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const Frame& frame : kFrames) {
        Rectangle(dc, Scale(frame.left), Scale(frame.top), Scale(frame.left + frame.width),
                  Scale(frame.top + frame.height));
    }
    SelectObject(dc, previous);
    DeleteObject(orange);
    DeleteObject(grey);
}

void LauncherWindow::OnCommand(int id, WORD notification, HWND control) {
    switch (id) {
        case IDOK:
            // Enter in any of the boxes, routed here by the dialog navigation.
            if (notification == BN_CLICKED) {
                logic_.lblLaunch_Click();
            }
            break;
        case kProfiles: ComboBoxCommand(logic_.cmbProfiles, control, notification); break;
        case kMods: ComboBoxCommand(logic_.cmbMods, control, notification); break;
        case kFavorites: ComboBoxCommand(logic_.cmbFavorites, control, notification); break;
        case kServerName:
        case kIP:
        case kPort:
            if (notification == EN_CHANGE) {
                TextBoxChanged(id == kServerName ? logic_.txtServerName
                               : id == kIP       ? logic_.txtIP
                                                 : logic_.txtPort,
                               control);
            }
            break;
        default:
            if (notification != STN_CLICKED) {
                break;
            }
            switch (id) {
                case kAddFavorite: logic_.lblAddFav_Click(); break;
                case kRemoveFavorite: logic_.lblRemFav_Click(); break;
                case kLaunch: logic_.lblLaunch_Click(); break;
                case kLauncherClose: logic_.lblClose_Click(); break;
                default: break;
            }
    }
}

LRESULT LauncherWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            // The stats window goes and comes back with the launcher. Windows does this for
            // owned windows itself; Wine without a window manager does not.
            if (wParam == SIZE_MINIMIZED) {
                ShowOwnedPopups(Hwnd(), FALSE);
                return 0;
            }
            ShowOwnedPopups(Hwnd(), TRUE);
            logic_.Form_Resize();
            return 0;
        case WM_MOUSEMOVE: logic_.Form_MouseMove(Buttons(wParam)); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
        case WM_CLOSE: logic_.lblClose_Click(); return 0;  // Alt+F4 does what "X" does
        case WM_ACTIVATE:
            // As a dialog does: the focus goes back to the box that had it, not to the window
            // itself, where Tab and Enter would find no box.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(Hwnd(), focus)) {
                    lastFocus_ = focus;
                }
                return 0;
            }
            if (!HIWORD(wParam)) {  // not minimised
                SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : GetDlgItem(Hwnd(), kProfiles));
            }
            return 0;
        case WM_WINDOWPOSCHANGED: {
            // However the launcher moved (its drag, a window manager, the keyboard, a change of
            // display), the stats window follows; not while it is minimised, when the stats
            // window is hidden with it.
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            if ((position->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) && !IsIconic(Hwnd())) {
                stats_.FollowLauncher();
            }
            return SkinnedWindow::HandleMessage(message, wParam, lParam);
        }
        default: return SkinnedWindow::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace vantorel::ui
