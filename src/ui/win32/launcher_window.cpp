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
      stats_(controls_, [this] { return Bounds(); }),
      logic_(*this, stats_) {
    // Placed so that the launcher and the stats window beside it sit in the middle of the
    // screen, as a new window of the system would.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - Pixels(kWidth + kStatsWidth)) / 2;
    const int top = work.top + (work.bottom - work.top - Pixels(kHeight)) / 2;
    Create(kLauncherClass, "Vantorel", left > 0 ? left : 0, top > 0 ? top : 0, kWidth, kHeight);

    const HFONT normal = Font(825);
    title_ = Label(kLauncherTitle, logic_.lblTitle.Caption(), 240, 120, 3735, 255, normal, kOrange, true);
    Label(kLauncherClose, "X", 5520, 120, 135, 255, Font(825, true), kOrange, true);
    Label(kProfileCaption, "Profiles", 480, 600, 1575, 255, normal, kOrange, false);
    Label(kModCaption, "Installed Mods", 480, 1560, 1575, 255, normal, kOrange, false);
    Label(kFavoritesCaption, "Favorite Servers", 480, 2520, 1575, 255, normal, kOrange, false);
    Label(kServerNameCaption, "Server Name", 480, 3360, 1455, 255, normal, kOrange, false);
    Label(kIPCaption, "Server IP", 480, 4080, 975, 255, normal, kOrange, false);
    Label(kPortCaption, "Server Port", 2640, 4080, 1215, 255, normal, kOrange, false);
    Label(kAddFavorite, "Add To Fav's", 4200, 4320, 1215, 255, normal, kBlue, true);
    Label(kRemoveFavorite, "Remove", 4200, 4560, 855, 255, normal, kBlue, true);
    Label(kLaunch, "Launch Game", 3240, 5040, 2415, 495, Font(1575), kOrange, true);

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
                           COLORREF colour, bool clickable) {
    // Label buttons are labels that take clicks; other labels let the mouse through to the
    // window, so that dragging them moves it.
    const HWND label = AddControl(L"STATIC", caption, clickable ? SS_NOTIFY : 0, id, left, top, width, height, font);
    SetTextColour(label, colour);
    MakeTransparent(label);
    return label;
}

void LauncherWindow::CoverComboEdges(HWND combo, int& nextId) {
    // Thin boxes in the window colour over the combo box's sunken edges. A drop-down combo
    // box sizes itself from its font, so they go where it really is.
    RECT area;
    GetWindowRect(combo, &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    const int edge = 2;
    const RECT flaps[] = {{area.left, area.top, area.right, area.top + edge},
                          {area.left, area.bottom - edge, area.right, area.bottom},
                          {area.left, area.top, area.left + edge, area.bottom},
                          {area.right - edge, area.top, area.right, area.bottom}};
    for (const RECT& flap : flaps) {
        const HWND box = AddControl(L"STATIC", "", 0, nextId++, 0, 0, 0, 0, nullptr);
        SetWindowPos(box, HWND_TOP, flap.left, flap.top, flap.right - flap.left, flap.bottom - flap.top,
                     SWP_NOACTIVATE);
    }
}

void LauncherWindow::Load() {
    logic_.Form_Load();
    ShowWindow(Hwnd(), SW_SHOW);
    logic_.Form_Resize();
}

TwipsRect LauncherWindow::Bounds() const {
    RECT area;
    GetWindowRect(Hwnd(), &area);
    return {area.left * 15, area.top * 15, (area.right - area.left) * 15, (area.bottom - area.top) * 15};
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
    HPEN orange = CreatePen(PS_SOLID, 1, kOrange);
    HGDIOBJ previous = SelectObject(dc, orange);
    MoveToEx(dc, Pixels(240), Pixels(360), nullptr);
    LineTo(dc, Pixels(5640), Pixels(360));
    HPEN grey = CreatePen(PS_SOLID, 1, kFrameGrey);
    SelectObject(dc, grey);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const Frame& frame : kFrames) {
        Rectangle(dc, Pixels(frame.left), Pixels(frame.top), Pixels(frame.left + frame.width),
                  Pixels(frame.top + frame.height));
    }
    SelectObject(dc, previous);
    DeleteObject(orange);
    DeleteObject(grey);
}

void LauncherWindow::OnCommand(int id, WORD notification, HWND control) {
    switch (id) {
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
        case WM_SIZE: logic_.Form_Resize(); return 0;
        case WM_MOUSEMOVE: logic_.Form_MouseMove(Buttons(wParam)); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
        case WM_CLOSE: logic_.lblClose_Click(); return 0;
        default: return SkinnedWindow::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace vantorel::ui
