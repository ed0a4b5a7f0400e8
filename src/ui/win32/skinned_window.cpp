#include "ui/win32/skinned_window.h"

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

}  // namespace

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
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
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
                               int top, int width, int height, HFONT font) {
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
    placed_.push_back({control, left, top, width, height, fontKey});
    return control;
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
        SetWindowPos(control.control, nullptr, Scale(control.left), Scale(control.top), Scale(control.width),
                     Scale(control.height), SWP_NOZORDER | SWP_NOACTIVATE);
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

std::int32_t SkinnedWindow::SurfaceGetWindowLong(platform::WindowHandle window, int index) {
    return GetWindowLongA(reinterpret_cast<HWND>(window), index);
}

std::int32_t SkinnedWindow::SurfaceSetWindowLong(platform::WindowHandle window, int index, std::int32_t value) {
    return SetWindowLongA(reinterpret_cast<HWND>(window), index, value);
}

bool SkinnedWindow::SurfaceSetLayered(platform::WindowHandle window, std::uint32_t key, std::uint8_t alpha,
                                      std::uint32_t flags) {
    return SetLayeredWindowAttributes(reinterpret_cast<HWND>(window), key, alpha, flags) != 0;
}

std::intptr_t SkinnedWindow::SurfaceSendMessage(platform::WindowHandle window, std::uint32_t message,
                                                std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
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
