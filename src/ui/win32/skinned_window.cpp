#include "ui/win32/skinned_window.h"

#include <algorithm>

#include "platform/win32/wide.h"
#include "ui/win32/resource.h"

namespace vantorel::ui {
namespace {

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

int FontKey(int hundredthsOfPoint, bool bold) {
    return hundredthsOfPoint * 2 + (bold ? 1 : 0);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The size of a control's caption in the font it has.
SIZE CaptionSize(HWND control) {
    SIZE size{0, 0};
    const std::wstring text = WindowText(control);
    HDC dc = GetDC(control);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

}  // namespace

RECT WorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return monitor.rcWork;
    }
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int WindowDpi(HWND window) {
    // GetDpiForWindow is there from Windows 10 (1607) on; the program runs on older ones too.
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

SkinnedWindow::~SkinnedWindow() {
    for (const auto& [label, handle] : dragHandles_) {
        RemovePropW(label, L"VantorelWindow");
    }
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (const auto& [size, font] : fonts_) {
        DeleteObject(font);
    }
    if (background_) {
        DeleteObject(background_);
    }
    if (windowBrush_) {
        DeleteObject(windowBrush_);
    }
}

bool SkinnedWindow::Create(const wchar_t* className, const std::string& caption, HWND owner, DWORD extendedStyle,
                           int leftPx, int topPx, int widthTwips, int heightTwips) {
    widthTwips_ = widthTwips;
    heightTwips_ = heightTwips;
    dpi_ = WindowDpi(nullptr);
    windowBrush_ = CreateSolidBrush(kWindowColour);
    background_ = static_cast<HBITMAP>(
        LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = Instance();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = windowBrush_;
    windowClass.lpszClassName = className;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&windowClass);  // a second window of the class finds it registered
    // No border, caption bar or buttons: the window draws its own title and close label. The
    // system menu, which has no caption to show in, makes Alt+F4 and a window manager's
    // "close" reach the window as a close (Wine passes a close on only to such a window).
    hwnd_ = CreateWindowExW(extendedStyle, className, platform::Widen(caption).c_str(),
                            WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, leftPx, topPx, Scale(widthTwips),
                            Scale(heightTwips), owner, nullptr, Instance(), this);
    if (hwnd_ == nullptr) {
        return false;
    }
    // Its monitor may have another DPI than the system's.
    const int dpi = WindowDpi(hwnd_);
    if (dpi != dpi_) {
        ApplyDpi(dpi, nullptr);
    }
    return true;
}

LRESULT CALLBACK SkinnedWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<SkinnedWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* window = reinterpret_cast<SkinnedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return window->HandleMessage(message, wParam, lParam);
}

LRESULT SkinnedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: PaintBackground(reinterpret_cast<HDC>(wParam)); return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            PaintDecorations(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        case WM_DPICHANGED: ApplyDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
        case WM_DRAWITEM: DrawLabelButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
        case WM_LBUTTONDOWN: pressedAt_ = GetMessagePos(); return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: return ColourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), true);
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return ColourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), false);
        default: return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

LRESULT SkinnedWindow::ColourControl(HDC dc, HWND control, bool transparent) {
    const auto colour = textColours_.find(control);
    // A combo box's edit and list are its children: they take the combo box's colours.
    const auto parent = colour == textColours_.end() ? textColours_.find(GetParent(control)) : colour;
    SetTextColor(dc, parent != textColours_.end() ? parent->second : kBoxText);
    SetBkColor(dc, kWindowColour);
    if (transparent && transparent_.count(control) > 0) {
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<LRESULT>(windowBrush_);
}

void SkinnedWindow::PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (background_ == nullptr) {
        FillRect(dc, &client, windowBrush_);
        return;
    }
    BITMAP picture;
    GetObjectW(background_, sizeof picture, &picture);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, background_);
    SetStretchBltMode(dc, COLORONCOLOR);  // keeps the key colour exact at the edges
    StretchBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, picture.bmWidth, picture.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

HWND SkinnedWindow::AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int left,
                               int top, int width, int height, HFONT font, Fit fit) {
    HWND control = CreateWindowExW(0, className, platform::Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                                   Scale(left), Scale(top), Scale(width), Scale(height), hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    int fontKey = 0;
    if (font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        for (const auto& [key, made] : fonts_) {
            if (made == font) {
                fontKey = key;
            }
        }
    }
    placed_.push_back({control, left, top, width, height, fontKey, fit});
    PlaceControl(placed_.back());
    return control;
}

void SkinnedWindow::PlaceControl(const Placed& control) {
    int left = Scale(control.left);
    int width = Scale(control.width);
    int height = Scale(control.height);
    if (control.fit.direction != Fit::kNone) {
        // The font the skin gets varies (Arial Black where it is installed, a stand-in
        // elsewhere) and text does not grow in step with the DPI: the caption is measured.
        const SIZE caption = CaptionSize(control.control);
        const int needed = caption.cx + MulDiv(4 + control.fit.extra96, dpi_, 96);
        if (needed > width && control.fit.direction == Fit::kRight) {
            width = std::max(width, std::min(needed, Scale(control.fit.limit) - left));
        } else if (needed > width) {
            const int right = left + width;
            left = std::min(left, std::max(right - needed, Scale(control.fit.limit)));
            width = right - left;
        }
        height = std::max(height, static_cast<int>(caption.cy));
    }
    SetWindowPos(control.control, nullptr, left, Scale(control.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND SkinnedWindow::AddLabelButton(const std::string& text, int id, int left, int top, int width, int height,
                                   HFONT font, COLORREF colour, Fit fit) {
    const HWND button = AddControl(L"BUTTON", text, BS_OWNERDRAW | WS_TABSTOP, id, left, top, width, height, font, fit);
    SetTextColour(button, colour);
    return button;
}

void SkinnedWindow::DrawLabelButton(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) {
        return;
    }
    HDC dc = item.hDC;
    // The picture that lies under the label, as the window draws it there.
    POINT origin{0, 0};
    MapWindowPoints(item.hwndItem, hwnd_, &origin, 1);
    POINT previousOrigin;
    SetViewportOrgEx(dc, -origin.x, -origin.y, &previousOrigin);
    PaintBackground(dc);
    SetViewportOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);

    const auto colour = textColours_.find(item.hwndItem);
    const COLORREF text = colour != textColours_.end() ? colour->second : kOrange;
    const HGDIOBJ previousFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    const std::wstring caption = WindowText(item.hwndItem);
    RECT area = item.rcItem;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area, DT_SINGLELINE | DT_NOPREFIX);
    // The focus mark is drawn whether or not the keyboard was used yet: a player who tabs
    // to a label must see where Enter goes.
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT mark = item.rcItem;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &mark,
                  DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        mark.left = item.rcItem.left;
        mark.right = std::min(mark.right + MulDiv(3, dpi_, 96), item.rcItem.right);
        mark.bottom = std::min(mark.bottom + MulDiv(1, dpi_, 96), item.rcItem.bottom);
        HPEN pen = CreatePen(PS_DOT, 1, text);
        const HGDIOBJ previousPen = SelectObject(dc, pen);
        const HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, mark.left, mark.top, mark.right, mark.bottom);
        SelectObject(dc, previousBrush);
        SelectObject(dc, previousPen);
        DeleteObject(pen);
    }
    SelectObject(dc, previousFont);
}

void SkinnedWindow::SelectAllOnClick(HWND edit) {
    const auto previous = SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelectAllProc));
    SetPropW(edit, L"VantorelEditProc", reinterpret_cast<HANDLE>(previous));
}

LRESULT CALLBACK SkinnedWindow::SelectAllProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(hwnd, L"VantorelEditProc"));
    if (previous == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_LBUTTONDOWN: {
            const bool entering = GetFocus() != hwnd;
            const LRESULT result = CallWindowProcW(previous, hwnd, message, wParam, lParam);
            if (entering) {
                SetPropW(hwnd, L"VantorelClickedIn", reinterpret_cast<HANDLE>(1));
            }
            return result;
        }
        case WM_LBUTTONUP: {
            const LRESULT result = CallWindowProcW(previous, hwnd, message, wParam, lParam);
            // A click that brought the focus in selects everything, unless the press was a
            // drag that chose a part on purpose.
            if (RemovePropW(hwnd, L"VantorelClickedIn") != nullptr) {
                DWORD start = 0, end = 0;
                SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                if (start == end) {
                    SendMessageW(hwnd, EM_SETSEL, 0, -1);
                }
            }
            return result;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropW(hwnd, L"VantorelEditProc");
            RemovePropW(hwnd, L"VantorelClickedIn");
            return CallWindowProcW(previous, hwnd, message, wParam, lParam);
        default: return CallWindowProcW(previous, hwnd, message, wParam, lParam);
    }
}

HFONT SkinnedWindow::Font(int hundredthsOfPoint, bool bold) {
    const int key = FontKey(hundredthsOfPoint, bold);
    const auto found = fonts_.find(key);
    if (found != fonts_.end()) {
        return found->second;
    }
    HFONT font = MakeFont(key);
    fonts_[key] = font;
    return font;
}

HFONT SkinnedWindow::MakeFont(int key) const {
    const int hundredthsOfPoint = key / 2;
    const bool bold = (key % 2) != 0;
    // 72 points to the inch, at the window's DPI.
    const int height = -MulDiv(hundredthsOfPoint, dpi_, 7200);
    return CreateFontW(height, 0, 0, 0, bold ? FW_HEAVY : FW_BLACK, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"Arial Black");
}

void SkinnedWindow::ApplyDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0) {
        return;
    }
    dpi_ = dpi;
    std::map<int, HFONT> previous;
    previous.swap(fonts_);
    for (const auto& [key, font] : previous) {
        fonts_[key] = MakeFont(key);
    }
    for (const Placed& control : placed_) {
        if (control.fontKey != 0) {
            SendMessageW(control.control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[control.fontKey]), FALSE);
        }
        PlaceControl(control);
    }
    for (const auto& [key, font] : previous) {
        DeleteObject(font);
    }
    RECT area;
    GetWindowRect(hwnd_, &area);
    if (suggested) {
        area.left = suggested->left;
        area.top = suggested->top;
    }
    SetWindowPos(hwnd_, nullptr, area.left, area.top, Scale(widthTwips_), Scale(heightTwips_),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    AfterRelayout();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void SkinnedWindow::ForwardMouseMoves(HWND label, std::function<void(unsigned buttons)> onMove) {
    DragHandle& handle = dragHandles_[label];
    handle.onMove = std::move(onMove);
    handle.previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HandleProc)));
    SetPropW(label, L"VantorelWindow", this);
}

LRESULT CALLBACK SkinnedWindow::HandleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = static_cast<SkinnedWindow*>(GetPropW(hwnd, L"VantorelWindow"));
    const auto handle = window ? window->dragHandles_.find(hwnd) : decltype(window->dragHandles_)::iterator{};
    if (!window || handle == window->dragHandles_.end()) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_MOUSEMOVE) {
        handle->second.onMove(Buttons(wParam));
        return 0;
    }
    if (message == WM_LBUTTONDOWN) {
        window->pressedAt_ = GetMessagePos();
    }
    return CallWindowProcW(handle->second.previous, hwnd, message, wParam, lParam);
}

void SkinnedWindow::SetLabelText(HWND label, const std::string& text) {
    // The label is transparent: what it showed before lies on the parent's picture.
    RECT area;
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    SetWindowTextW(label, platform::Widen(text).c_str());
    InvalidateRect(hwnd_, &area, TRUE);
}

void SkinnedWindow::SetLayered(std::uint8_t alpha, std::uint32_t colourKey) {
    // Each call that fails is skipped: where the system has no layered windows, the window
    // is drawn opaque and everything else goes on. The other extended styles stay.
    const LONG style = GetWindowLongA(hwnd_, GWL_EXSTYLE);
    SetWindowLongA(hwnd_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd_, colourKey, alpha, LWA_COLORKEY | LWA_ALPHA);
}

void SkinnedWindow::DragWithMouse() {
    // As a press on the caption (WM_NCLBUTTONDOWN with HTCAPTION) would, after the capture
    // that the press gave the window is let go.
    ReleaseCapture();
    MoveWithMouse();
}

void SkinnedWindow::FollowMouse(const std::function<void(POINT)>& follow, const std::function<void()>& undo) {
    SetCapture(hwnd_);
    MSG message;
    bool following = true;
    while (following && GetCapture() == hwnd_) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns the thread
            break;
        }
        switch (message.message) {
            case WM_MOUSEMOVE:
                if ((message.wParam & MK_LBUTTON) == 0) {
                    following = false;  // released where no message of ours saw it
                } else {
                    follow(message.pt);
                }
                break;
            case WM_LBUTTONUP:
                follow(message.pt);
                following = false;
                break;
            case WM_KEYDOWN:
                if (message.wParam == VK_ESCAPE) {
                    undo();
                    following = false;
                }
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
            case WM_MBUTTONDOWN:
            case WM_MBUTTONUP:
            case WM_MOUSEWHEEL: break;  // the drag has the mouse
            default: TranslateMessage(&message); DispatchMessageW(&message);
        }
    }
    if (GetCapture() == hwnd_) {
        ReleaseCapture();
    }
}

void SkinnedWindow::MoveWithMouse() {
    // The system's move loop is not used. Under a window manager Wine hands the move to it,
    // and when the press, the move and the release were all queued before the move began
    // (a quick drag), the window manager waits for a release that has already happened:
    // the window then follows the pointer until the next click. Here the release that
    // ends the move is read from this thread's own queue, after the moves before it, so it
    // cannot be missed; and the window stays under the pointer where it was pressed.
    // From where the button was pressed: by the first move that starts the drag, the pointer
    // may have gone a good way.
    const DWORD pressed = pressedAt_ ? *pressedAt_ : GetMessagePos();
    pressedAt_.reset();
    const POINT start{static_cast<short>(LOWORD(pressed)), static_cast<short>(HIWORD(pressed))};
    RECT origin;
    GetWindowRect(hwnd_, &origin);
    const auto moveTo = [&](POINT pointer) {
        SetWindowPos(hwnd_, nullptr, origin.left + pointer.x - start.x, origin.top + pointer.y - start.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    FollowMouse(moveTo, [&] {
        SetWindowPos(hwnd_, nullptr, origin.left, origin.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    });
    AfterUserMove();
}

void SkinnedWindow::KeepInnerSize() {
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right > 0 && client.bottom > 0) {
        widthTwips_ = MulDiv(client.right, 1440, dpi_);
        heightTwips_ = MulDiv(client.bottom, 1440, dpi_);
    }
}

void SkinnedWindow::MoveControl(HWND control, int left, int top, int width, int height) {
    for (Placed& placed : placed_) {
        if (placed.control == control) {
            placed.left = left;
            placed.top = top;
            placed.width = width;
            placed.height = height;
            PlaceControl(placed);
            return;
        }
    }
}

void SkinnedWindow::ResizeWithMouse(unsigned edges, int minimumWidthTwips, int minimumHeightTwips) {
    // The move's own loop, for the same reason: a quick drag cannot leave the window sizing
    // after it.
    const DWORD pressed = GetMessagePos();
    const POINT start{static_cast<short>(LOWORD(pressed)), static_cast<short>(HIWORD(pressed))};
    RECT origin;
    GetWindowRect(hwnd_, &origin);
    const int width = origin.right - origin.left;
    const int height = origin.bottom - origin.top;
    const auto sizeTo = [&](POINT pointer) {
        const int newWidth =
            (edges & kSizeRight) ? std::max<int>(Scale(minimumWidthTwips), width + pointer.x - start.x) : width;
        const int newHeight =
            (edges & kSizeBottom) ? std::max<int>(Scale(minimumHeightTwips), height + pointer.y - start.y) : height;
        SetWindowPos(hwnd_, nullptr, 0, 0, newWidth, newHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    FollowMouse(sizeTo,
                [&] { SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); });
    AfterUserMove();
}

void SkinnedWindow::InvalidateBackground() {
    InvalidateRect(hwnd_, nullptr, TRUE);
}

unsigned SkinnedWindow::Buttons(WPARAM wParam) {
    unsigned buttons = 0;
    if (wParam & MK_LBUTTON) {
        buttons |= kLeftButton;
    }
    if (wParam & MK_RBUTTON) {
        buttons |= kRightButton;
    }
    if (wParam & MK_MBUTTON) {
        buttons |= kMiddleButton;
    }
    return buttons;
}

}  // namespace vantorel::ui
