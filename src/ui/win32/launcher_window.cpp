#include "ui/win32/launcher_window.h"

#include "forms/dock_place.h"
#include "launcher/mod_main.h"
#include "platform/win32/event_loop_win32.h"
#include "ui/win32/bindings.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/message_box.h"

namespace vantorel::ui {
namespace {

constexpr int kWidth = 5940;
constexpr int kHeight = 5700;
constexpr int kStatsWidth = 3945;
constexpr int kStatsHeight = 3975;
// How far captions may grow: to the window's inner frame, or to the next control.
constexpr int kRightEdge = 5820;

// The frames around the name, IP and port boxes, and the rule under the title.
struct Frame {
    int left, top, width, height;
};
constexpr Frame kFrames[] = {{480, 3600, 4815, 375}, {480, 4365, 1935, 375}, {2640, 4365, 1335, 375}};

// The launcher's start of the game, as the stats window's slot wait uses it.
std::optional<std::string> LaunchGame(const std::string& profile, const std::string& mod, const std::string& server) {
    const modMain::LaunchResult launched = modMain::LaunchGame(profile, mod, server);
    if (launched.started) {
        return std::nullopt;
    }
    return launched.reason;
}

}  // namespace

LauncherWindow::LauncherWindow()
    : controls_{logic_.txtIP, logic_.txtPort, logic_.cmbProfiles, logic_.cmbMods, LaunchGame},
      stats_(
          controls_, [this] { return Bounds(); }, [this] { return Hwnd(); }, [this] { logic_.lblClose_Click(); }),
      logic_(*this, stats_),
      serversLink_(logic_, stats_) {
    // Placed so that the launcher and the stats window beside it (or below it, where the
    // screen is too narrow for both) sit in the middle of the work area.
    const RECT work = WorkArea(nullptr);
    const int dpi = WindowDpi(nullptr);
    const auto screenTwips = [dpi](int twips) { return MulDiv(twips, dpi, 1440) * kScreenTwipsPerPixel; };
    const TwipsRect place = dockPlace::LauncherPlace(
        {screenTwips(kWidth), screenTwips(kHeight)}, {screenTwips(kStatsWidth), screenTwips(kStatsHeight)},
        {work.left * kScreenTwipsPerPixel, work.top * kScreenTwipsPerPixel,
         (work.right - work.left) * kScreenTwipsPerPixel, (work.bottom - work.top) * kScreenTwipsPerPixel});
    // A control parent: the message loop gives it dialog navigation (Tab, Shift+Tab, Enter).
    Create(kLauncherClass, "Vantorel", nullptr, WS_EX_CONTROLPARENT, place.left / kScreenTwipsPerPixel,
           place.top / kScreenTwipsPerPixel, kWidth, kHeight);

    const HFONT normal = Font(825);
    const auto right = [](int limit) { return Fit{Fit::kRight, limit, 0}; };
    title_ = Label(kLauncherTitle, logic_.lblTitle.Caption(), 240, 120, 3735, 255, normal, kOrange, right(5400));
    Label(kProfileCaption, "Profiles", 480, 600, 1575, 255, normal, kOrange, right(kRightEdge));
    Label(kModCaption, "Installed Mods", 480, 1560, 1575, 255, normal, kOrange, right(kRightEdge));
    Label(kFavoritesCaption, "Favorite Servers", 480, 2520, 1575, 255, normal, kOrange, right(kRightEdge));
    Label(kServerNameCaption, "Server Name", 480, 3360, 1455, 255, normal, kOrange, right(kRightEdge));
    Label(kIPCaption, "Server IP", 480, 4080, 975, 255, normal, kOrange, right(2580));
    Label(kPortCaption, "Server Port", 2640, 4080, 1215, 255, normal, kOrange, right(4185));

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
        COMBOBOXINFO parts{};
        parts.cbSize = sizeof parts;
        if (GetComboBoxInfo(control, &parts) && parts.hwndItem) {
            SelectAllOnClick(parts.hwndItem);
        }
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
        SelectAllOnClick(edit);
    }

    // The label buttons come after the boxes, so that Tab reaches them in reading order.
    AddLabelButton("Add To Fav's", kAddFavorite, 4200, 4320, 1215, 255, normal, kBlue, right(kRightEdge));
    AddLabelButton("Remove", kRemoveFavorite, 4200, 4560, 855, 255, normal, kBlue, right(kRightEdge));
    AddLabelButton("Launch Game", kLaunch, 3240, 5040, 2415, 495, Font(1575), kOrange, {Fit::kLeft, 2040, 0});
    // In the bare corner left of "Launch Game", where nothing of the window's design stood.
    // After it in Tab's order, so that the way to "Launch Game" is as it was.
    AddLabelButton("Servers", kOpenServers, 480, 5160, 1440, 255, normal, kBlue, right(2040));
    AddLabelButton("X", kLauncherClose, 5520, 120, 135, 255, Font(825, true), kOrange, {Fit::kLeft, 5400, 0});
    // Ctrl+B opens the Servers window wherever the focus is.
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'B', kOpenServers}};
    shortcuts_ = CreateAcceleratorTableW(keys, 1);
    SetPropW(Hwnd(), platform::kShortcutsProperty, shortcuts_);

    // The title is a drag handle too.
    ForwardMouseMoves(title_, [this](unsigned buttons) { logic_.lblTitle_MouseMove(buttons); });
}

LauncherWindow::~LauncherWindow() {
    servers_.reset();
    RemovePropW(Hwnd(), platform::kShortcutsProperty);
    if (shortcuts_) {
        DestroyAcceleratorTable(shortcuts_);
    }
}

void LauncherWindow::OpenServers() {
    if (!servers_) {
        servers_ = std::make_unique<ServersWindow>(Hwnd(), serversLink_);
    }
    servers_->Open();
}

HWND LauncherWindow::Label(int id, const std::string& caption, int left, int top, int width, int height, HFONT font,
                           COLORREF colour, Fit fit) {
    // Every label takes the mouse itself (a static control without SS_NOTIFY is transparent
    // to it, and pressing it would drag the window): only the bare background and the title
    // drag. Clicks count only on the label buttons. "&" shows as itself.
    const HWND label = AddControl(L"STATIC", caption, SS_NOTIFY | SS_NOPREFIX, id, left, top, width, height, font, fit);
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
    UpdateWindow(Hwnd());
    logic_.Form_Shown();
}

TwipsRect LauncherWindow::Bounds() const {
    RECT area;
    GetWindowRect(Hwnd(), &area);
    return {area.left * kScreenTwipsPerPixel, area.top * kScreenTwipsPerPixel,
            (area.right - area.left) * kScreenTwipsPerPixel, (area.bottom - area.top) * kScreenTwipsPerPixel};
}

void LauncherWindow::ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    ShowMessageBox(Hwnd(), text, icon, title);
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

void LauncherWindow::OnEnter() {
    // Enter does what the focused control is for: adds from the name box, shows the server
    // of the address boxes, presses a label button; anywhere else it launches.
    const HWND focus = GetFocus();
    switch (GetDlgCtrlID(focus)) {
        case kServerName: logic_.txtServerName_KeyPress(kKeyReturn); break;
        case kIP: logic_.txtIP_KeyPress(kKeyReturn); break;
        case kPort: logic_.txtPort_KeyPress(kKeyReturn); break;
        case kAddFavorite: logic_.lblAddFav_Click(); break;
        case kRemoveFavorite: logic_.lblRemFav_Click(); break;
        case kLauncherClose: logic_.lblClose_Click(); break;
        case kOpenServers: OpenServers(); break;
        default: logic_.lblLaunch_Click(); break;
    }
}

void LauncherWindow::OnCommand(int id, WORD notification, HWND control) {
    switch (id) {
        case IDOK:
            // Enter, routed here by the dialog navigation.
            if (notification == BN_CLICKED) {
                OnEnter();
            }
            break;
        case kProfiles: ComboBoxCommand(logic_.cmbProfiles, control, notification); break;
        case kMods: ComboBoxCommand(logic_.cmbMods, control, notification); break;
        case kFavorites: ComboBoxCommand(logic_.cmbFavorites, control, notification); break;
        case kOpenServers:
            // Its label button, or Ctrl+B (notification 1, from the shortcut table).
            if (notification == BN_CLICKED || notification == 1) {
                OpenServers();
            }
            break;
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
            if (notification != BN_CLICKED) {
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
            // A window manager also reports places that did not change (when the stats window
            // is raised, for one): those must not pull a stats window that the user dragged
            // away back to the launcher.
            const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
            RECT area;
            GetWindowRect(Hwnd(), &area);
            if ((position->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) && !IsIconic(Hwnd()) &&
                !EqualRect(&area, &followed_)) {
                followed_ = area;
                stats_.FollowLauncher();
            }
            return SkinnedWindow::HandleMessage(message, wParam, lParam);
        }
        default: return SkinnedWindow::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace vantorel::ui
