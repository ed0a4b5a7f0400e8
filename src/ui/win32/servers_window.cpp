#include "ui/win32/servers_window.h"

#include <algorithm>

#include "browse/kept_list.h"
#include "forms/window_chrome.h"
#include "launcher/mod_main.h"
#include "launcher/user_choices.h"
#include "platform/platform.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/wide.h"
#include "ui/win32/bindings.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/message_box.h"

namespace vantorel::ui {
namespace {

// The window's inner size when it first opens, and the least it may be sized to, in twips.
constexpr int kWidth = 11400;
constexpr int kHeight = 6900;
constexpr int kLeastWidth = 8400;
constexpr int kLeastHeight = 4500;
// The band at the right and bottom edges that sizes the window, and the corner's, in twips.
constexpr int kEdge = 90;
constexpr int kCorner = 210;
// The list's top, and the height of the rows under it (buttons and the three status lines).
constexpr int kListTop = 1230;
constexpr int kBelowList = 1140;

// The columns' widths when the window opens, in twips, in the order of the columns.
constexpr int kColumnWidths[browse::kColumnCount] = {2700, 1110, 1200, 780, 1140, 840, 1140, 1920};

// The box of a check box and the gap after it, in pixels at 96 DPI.
constexpr int kCheckBoxBox = 20;

// Favourites stand out in the launcher's blue, with a mark that needs no colour to be seen.
constexpr const char* kFavoriteMark = "* ";
constexpr COLORREF kSilentText = RGB(150, 150, 150);

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return platform::Narrow(path.substr(0, path.find_last_of(L"\\/")));
}

browse::frmServers::Options LogicOptions() {
    browse::frmServers::Options options;
    options.mastersPath = ProgramFolder() + "\\Vantorel.ini";
    // Beside the favourites, in the game's folder; no game folder, no list to keep.
    if (modMain::GameNotFound().empty()) {
        options.keptListPath = modMain::GameDir() + "\\" + browse::kKeptListName;
    }
    return options;
}

}  // namespace

ServersWindow::ServersWindow(HWND owner, browse::ServersWindowLink& link)
    : owner_(owner),
      lister_(*platform::Current().events),
      source_(*platform::Current().events, &lister_),
      logic_(*this, link, source_, LogicOptions()) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&common);
    // A control parent: the message loop gives it Tab, Shift+Tab, Enter and Escape.
    Create(kServersClass, "Servers", owner, WS_EX_CONTROLPARENT, 0, 0, kWidth, kHeight);
    MakeControls();
    ACCEL keys[] = {{FVIRTKEY, VK_F5, kKeyRefresh}};
    shortcuts_ = CreateAcceleratorTableW(keys, 1);
    SetPropW(Hwnd(), platform::kShortcutsProperty, shortcuts_);
    Layout();
}

ServersWindow::~ServersWindow() {
    logic_.Form_Unload();
    // The list goes with the window, after this object: it keeps no pointer into it.
    SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc_));
    RemovePropW(list_, L"VantorelServersWindow");
    RemovePropW(Hwnd(), platform::kShortcutsProperty);
    if (shortcuts_) {
        DestroyAcceleratorTable(shortcuts_);
    }
}

void ServersWindow::MakeControls() {
    const HFONT normal = Font(825);
    const DWORD labelStyle = SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS;
    title_ = AddControl(L"STATIC", "Servers", labelStyle, kServersTitle, 120, 120, 3735, 255, normal);
    const HWND caption =
        AddControl(L"STATIC", "Search", labelStyle, kSearchCaption, 120, 540, 780, 255, normal, {Fit::kRight, 900, 0});
    search_ = AddControl(L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, kSearch, 960, 510, 4200, 225, normal);
    SelectAllOnClick(search_);
    struct Check {
        CheckBox& model;
        int id;
        int left;
        int width;
    };
    // In a row of their own under the search box, each as wide as its caption needs.
    const Check checks[] = {{logic_.chkNotEmpty, kNotEmpty, 120, 1440},
                            {logic_.chkNotFull, kNotFull, 1680, 1320},
                            {logic_.chkNoPassword, kNoPassword, 3120, 1800},
                            {logic_.chkSameVersion, kSameVersion, 5040, 2760}};
    for (int i = 0; i < 4; ++i) {
        const Check& check = checks[i];
        const int limit = i + 1 < 4 ? checks[i + 1].left - 60 : kLeastWidth - 120;
        checks_[i] = AddControl(L"BUTTON", check.model.Caption(), BS_AUTOCHECKBOX | WS_TABSTOP, check.id, check.left,
                                870, check.width, 255, Font(750), {Fit::kRight, limit, kCheckBoxBox});
        SetTextColour(checks_[i], kOrange);
        BindCheckBox(check.model, checks_[i]);
    }
    MakeList();
    hidden_ = AddControl(L"STATIC", "", labelStyle, kHiddenCount, 120, 0, 4000, 255, normal);
    status_ = AddControl(L"STATIC", "", labelStyle, kListStatus, 120, 0, kWidth - 240, 255, normal);
    masters_ = AddControl(L"STATIC", "", labelStyle, kMastersStatus, 120, 0, kWidth - 240, 255, Font(750));
    // The buttons after the list, so that Tab reaches them in reading order.
    buttons_[0] = AddLabelButton("Refresh", kRefresh, 0, 0, 1020, 255, normal, kBlue, {});
    buttons_[1] = AddLabelButton("Add to favourites", kAddToFavorites, 0, 0, 2100, 255, normal, kBlue, {});
    buttons_[2] = AddLabelButton("Join", kJoin, 0, 0, 780, 255, Font(975), kOrange, {});
    close_ = AddLabelButton("X", kServersClose, 0, 120, 135, 255, Font(825, true), kOrange, {});
    for (HWND label : {title_, caption, hidden_, status_, masters_}) {
        SetTextColour(label, kOrange);
        MakeTransparent(label);
    }
    SetTextColour(search_, kBoxText);
    BindTextBox(logic_.txtSearch, search_);
    BindLabel(logic_.lblHidden, hidden_);
    BindLabel(logic_.lblStatus, status_);
    BindLabel(logic_.lblMasters, masters_);
    // The title is a drag handle, as the other windows' are.
    ForwardMouseMoves(title_, [this](unsigned buttons) { windowChrome::DragOnMouseMove(*this, buttons); });
}

void ServersWindow::MakeList() {
    // A virtual list: the rows live in the logic, and the list view asks for the cells it
    // draws, so neither a fill nor an answer redraws more than the rows it changed.
    list_ = AddControl(WC_LISTVIEWW, "",
                       LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER,
                       kServerList, 120, kListTop, kWidth - 240, kHeight - kListTop - kBelowList, Font(750));
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    ListView_SetBkColor(list_, kWindowColour);
    ListView_SetTextBkColor(list_, kWindowColour);
    ListView_SetTextColor(list_, kBoxText);
    for (int i = 0; i < browse::kColumnCount; ++i) {
        const std::wstring caption = platform::Widen(std::string(browse::kColumnCaptions[i]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        const auto kind = static_cast<browse::Column>(i);
        column.fmt = kind == browse::Column::kPlayers || kind == browse::Column::kPing ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = Scale(kColumnWidths[i]);
        column.pszText = const_cast<wchar_t*>(caption.c_str());
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    columnDpi_ = Dpi();
    SetPropW(list_, L"VantorelServersWindow", this);
    listProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
}

LRESULT CALLBACK ServersWindow::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = static_cast<ServersWindow*>(GetPropW(list, L"VantorelServersWindow"));
    if (window == nullptr) {
        return DefWindowProcW(list, message, wParam, lParam);
    }
    const WNDPROC previous = window->listProc_;
    if (message == WM_CHAR) {
        // Letters typed in the list go to the type-ahead, not to the list view's own search;
        // a half of a surrogate pair is not a letter on its own.
        const auto typed = static_cast<wchar_t>(wParam);
        if (typed >= 0x20 && typed != 0x7F && (typed < 0xD800 || typed > 0xDFFF)) {
            window->logic_.lvwServers_KeyPress(platform::Narrow(std::wstring(1, typed)));
            return 0;
        }
    }
    return CallWindowProcW(previous, list, message, wParam, lParam);
}

void ServersWindow::BindLabel(Label& model, HWND label) {
    SetLabelText(label, model.Caption());
    model.SetOnChange([this, &model, label] { SetLabelText(label, model.Caption()); });
}

void ServersWindow::Layout() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    const int width = MulDiv(client.right, 1440, Dpi());
    const int height = MulDiv(client.bottom, 1440, Dpi());
    MoveControl(close_, width - 420, 120, 135, 255);
    MoveControl(list_, 120, kListTop, width - 240, std::max(600, height - kListTop - kBelowList));
    const int row = height - kBelowList + 60;
    MoveControl(hidden_, 120, row, std::max(600, width - 4560), 255);
    int right = width - 120;
    for (int i = 2; i >= 0; --i) {
        const int widths[] = {1020, 2100, 780};
        right -= widths[i];
        MoveControl(buttons_[i], right, row, widths[i], i == 2 ? 300 : 255);
        right -= 120;
    }
    MoveControl(status_, 120, height - 780, width - 240, 255);
    MoveControl(masters_, 120, height - 480, width - 240, 255);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void ServersWindow::AfterRelayout() {
    // The columns keep their share of the list at the new DPI.
    const int dpi = Dpi();
    for (int i = 0; i < browse::kColumnCount; ++i) {
        ListView_SetColumnWidth(list_, i, MulDiv(ListView_GetColumnWidth(list_, i), dpi, columnDpi_));
    }
    columnDpi_ = dpi;
    Layout();
}

void ServersWindow::PlaceAtStart() {
    const std::optional<userChoices::WindowPlace> kept = userChoices::ParsePlace(userChoices::Load().serversWindow);
    if (kept) {
        const RECT area{kept->left, kept->top, kept->left + kept->width, kept->top + kept->height};
        // Only where a screen still shows it: a monitor may be gone since.
        if (MonitorFromRect(&area, MONITOR_DEFAULTTONULL) != nullptr) {
            SetWindowPos(Hwnd(), nullptr, kept->left, kept->top, std::max(kept->width, Scale(kLeastWidth)),
                         std::max(kept->height, Scale(kLeastHeight)), SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
    }
    // In the middle of the launcher's screen, as large as it has room for.
    const RECT work = WorkArea(owner_ ? owner_ : Hwnd());
    const int width = std::min<int>(Scale(kWidth), work.right - work.left);
    const int height = std::min<int>(Scale(kHeight), work.bottom - work.top);
    SetWindowPos(Hwnd(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ServersWindow::Open() {
    if (!open_) {
        PlaceAtStart();
        open_ = true;
        ShowWindow(Hwnd(), SW_SHOW);
        windowChrome::PaintOnResize(*this);
        UpdateWindow(Hwnd());
        // The kept list shows at once; the answers fill it as they come.
        logic_.Form_Load();
        ShowSortMarks();
    }
    SetForegroundWindow(Hwnd());
    SetFocus(list_);
}

void ServersWindow::Close() {
    if (!open_) {
        return;
    }
    SavePlace();
    logic_.Form_Unload();
    open_ = false;
    ShowWindow(Hwnd(), SW_HIDE);
    if (owner_) {
        SetForegroundWindow(owner_);
    }
}

void ServersWindow::SavePlace() {
    if (!open_ || IsIconic(Hwnd())) {
        return;
    }
    RECT area;
    GetWindowRect(Hwnd(), &area);
    // Keeping the place is a convenience: a settings folder that cannot be written is not
    // worth a box.
    userChoices::SaveServersWindow({area.left, area.top, area.right - area.left, area.bottom - area.top});
}

void ServersWindow::AfterUserMove() {
    SavePlace();
}

void ServersWindow::RowsChanged(int count, int first, int last) {
    if (ListView_GetItemCount(list_) != count) {
        // Only the rows that changed are drawn again, not the whole list.
        ListView_SetItemCountEx(list_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    if (first <= last && first < count) {
        ListView_RedrawItems(list_, std::max(first, 0), std::min(last, count - 1));
    }
}

void ServersWindow::SelectionMoved(int row) {
    selecting_ = true;
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    if (row >= 0) {
        ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, row, FALSE);
    }
    selecting_ = false;
}

void ServersWindow::ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) {
    ShowMessageBox(Hwnd(), text, icon, title);
}

bool ServersWindow::AskYesNo(const std::string& text, const std::string& title) {
    return AskYesNoBox(Hwnd(), text, title);
}

void ServersWindow::CopyToClipboard(const std::string& text) {
    const std::wstring wide = platform::Widen(text);
    if (!OpenClipboard(Hwnd())) {
        return;
    }
    EmptyClipboard();
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* locked = GlobalLock(memory)) {
            std::copy_n(reinterpret_cast<const char*>(wide.c_str()), bytes, static_cast<char*>(locked));
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) {
                GlobalFree(memory);  // the clipboard took nothing: it is still ours
            }
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void ServersWindow::ShowSortMarks() {
    const std::vector<browse::SortKey>& keys = logic_.List().Sort();
    for (int i = 0; i < browse::kColumnCount; ++i) {
        std::string caption(browse::kColumnCaptions[i]);
        if (!keys.empty() && static_cast<int>(keys.front().column) == i) {
            caption += keys.front().descending ? " \xE2\x96\xBC" : " \xE2\x96\xB2";  // a triangle down or up
        }
        std::wstring wide = platform::Widen(caption);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = wide.data();
        SendMessageW(list_, LVM_SETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

LRESULT ServersWindow::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const int row = static_cast<int>(draw.nmcd.dwItemSpec);
            if (row < 0 || row >= logic_.List().Count()) {
                return CDRF_DODEFAULT;
            }
            const browse::ServerRow& shown = logic_.List().Row(row);
            if (!shown.favorite.empty()) {
                draw.clrText = kBlue;
            } else if (shown.state == browse::ServerRow::State::kNoAnswer) {
                draw.clrText = kSilentText;
            } else {
                return CDRF_DODEFAULT;
            }
            return CDRF_NEWFONT;
        }
        default: return CDRF_DODEFAULT;
    }
}

LRESULT ServersWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != list_) {
        return 0;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
            const int row = info.item.iItem;
            if ((info.item.mask & LVIF_TEXT) == 0 || row < 0 || row >= logic_.List().Count() ||
                info.item.cchTextMax <= 0) {
                return 0;
            }
            const auto column = static_cast<browse::Column>(info.item.iSubItem);
            std::string text = logic_.List().Cell(row, column);
            if (column == browse::Column::kServer && !logic_.List().Row(row).favorite.empty()) {
                text = kFavoriteMark + text;
            }
            cell_ = platform::Widen(text);
            const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
            const std::size_t length = std::min(cell_.size(), room);
            std::copy_n(cell_.c_str(), length, info.item.pszText);
            info.item.pszText[length] = L'\0';
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (!selecting_ && change.iItem >= 0 && (change.uChanged & LVIF_STATE) != 0 &&
                (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0) {
                logic_.lvwServers_ItemClick(change.iItem);
            }
            return 0;
        }
        case LVN_COLUMNCLICK:
            logic_.lvwServers_ColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            ShowSortMarks();
            return 0;
        case NM_DBLCLK:
            if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) {
                logic_.lvwServers_DblClick();
            }
            return 0;
        case NM_CUSTOMDRAW:
            return OnCustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
        default: return 0;
    }
}

void ServersWindow::ShowMenu(POINT at) {
    const int row = logic_.List().Selected();
    if (row < 0) {
        return;
    }
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: at the selected row.
        RECT item{};
        ListView_GetItemRect(list_, row, &item, LVIR_LABEL);
        at = {item.left, item.bottom};
        ClientToScreen(list_, &at);
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kMenuJoin, L"Join");
    AppendMenuW(menu, MF_STRING, kMenuAddToFavorites, L"Add to favourites");
    AppendMenuW(menu, MF_STRING, kMenuCopyAddress, L"Copy address");
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr);
    DestroyMenu(menu);
}

void ServersWindow::OnEnter() {
    // Enter presses the label button that has the focus; anywhere else it joins.
    switch (GetDlgCtrlID(GetFocus())) {
        case kRefresh: logic_.lblRefresh_Click(); break;
        case kAddToFavorites: logic_.lblAddFav_Click(); break;
        case kServersClose: Close(); break;
        default: logic_.Form_KeyDown(browse::frmServers::kKeyReturn); break;
    }
}

void ServersWindow::OnCommand(int id, WORD notification, HWND control) {
    switch (id) {
        case IDOK: OnEnter(); return;
        case IDCANCEL: Close(); return;
        case kKeyRefresh: logic_.Form_KeyDown(browse::frmServers::kKeyF5); return;
        case kSearch:
            if (notification == EN_CHANGE) {
                TextBoxChanged(logic_.txtSearch, control);
                logic_.txtSearch_Change();
            }
            return;
        case kMenuJoin: logic_.mnuJoin_Click(); return;
        case kMenuAddToFavorites: logic_.mnuAddFav_Click(); return;
        case kMenuCopyAddress: logic_.mnuCopyAddress_Click(); return;
        default: break;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    switch (id) {
        case kNotEmpty:
            CheckBoxClicked(logic_.chkNotEmpty, control);
            logic_.chkNotEmpty_Click();
            break;
        case kNotFull:
            CheckBoxClicked(logic_.chkNotFull, control);
            logic_.chkNotFull_Click();
            break;
        case kNoPassword:
            CheckBoxClicked(logic_.chkNoPassword, control);
            logic_.chkNoPassword_Click();
            break;
        case kSameVersion:
            CheckBoxClicked(logic_.chkSameVersion, control);
            logic_.chkSameVersion_Click();
            break;
        case kRefresh: logic_.lblRefresh_Click(); break;
        case kAddToFavorites: logic_.lblAddFav_Click(); break;
        case kJoin: logic_.lblJoin_Click(); break;
        case kServersClose: Close(); break;
        default: break;
    }
}

unsigned ServersWindow::EdgesAt(POINT client) const {
    RECT area;
    GetClientRect(Hwnd(), &area);
    const int fromRight = area.right - client.x;
    const int fromBottom = area.bottom - client.y;
    if (fromRight < Scale(kCorner) && fromBottom < Scale(kCorner)) {
        return kSizeRight | kSizeBottom;
    }
    return (fromRight < Scale(kEdge) ? kSizeRight : 0u) | (fromBottom < Scale(kEdge) ? kSizeBottom : 0u);
}

void ServersWindow::PaintDecorations(HDC dc) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    HPEN orange = CreatePen(PS_SOLID, Scale(15), kOrange);
    HGDIOBJ previous = SelectObject(dc, orange);
    MoveToEx(dc, Scale(120), Scale(360), nullptr);
    LineTo(dc, client.right - Scale(120), Scale(360));
    // The frame around the search box, as the launcher's boxes have.
    HPEN grey = CreatePen(PS_SOLID, Scale(15), kFrameGrey);
    SelectObject(dc, grey);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, Scale(900), Scale(435), Scale(5220), Scale(795));
    // The grip in the corner that sizes the window.
    SelectObject(dc, orange);
    for (int i = 1; i <= 3; ++i) {
        const int step = Scale(45) * i;
        MoveToEx(dc, client.right - step, client.bottom - Scale(30), nullptr);
        LineTo(dc, client.right - Scale(30), client.bottom - step);
    }
    SelectObject(dc, previous);
    DeleteObject(orange);
    DeleteObject(grey);
}

LRESULT ServersWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                KeepInnerSize();
                Layout();
                windowChrome::PaintOnResize(*this);
            }
            return 0;
        case WM_CLOSE: Close(); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == list_) {
                ShowMenu({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            }
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == Hwnd() && LOWORD(lParam) == HTCLIENT) {
                POINT at;
                GetCursorPos(&at);
                ScreenToClient(Hwnd(), &at);
                const unsigned edges = EdgesAt(at);
                if (edges != 0) {
                    SetCursor(LoadCursorA(nullptr, edges == (kSizeRight | kSizeBottom) ? IDC_SIZENWSE
                                                   : edges == kSizeRight               ? IDC_SIZEWE
                                                                                       : IDC_SIZENS));
                    return TRUE;
                }
            }
            return SkinnedWindow::HandleMessage(message, wParam, lParam);
        case WM_LBUTTONDOWN: {
            const unsigned edges = EdgesAt({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
            if (edges != 0) {
                ResizeWithMouse(edges, kLeastWidth, kLeastHeight);
                return 0;
            }
            return SkinnedWindow::HandleMessage(message, wParam, lParam);
        }
        case WM_MOUSEMOVE: windowChrome::DragOnMouseMove(*this, Buttons(wParam)); return 0;
        default: return SkinnedWindow::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace vantorel::ui
