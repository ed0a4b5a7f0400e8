#pragma once
// A borderless popup window skinned with the background picture, with the controls, fonts
// and colours both windows use. It only draws and forwards events: the windows' logic lives
// in launcher/ and query/.

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/window_surface.h"

namespace vantorel::ui {

inline constexpr COLORREF kWindowColour = RGB(36, 57, 66);
inline constexpr COLORREF kOrange = RGB(255, 128, 0);
inline constexpr COLORREF kBlue = RGB(57, 182, 230);
inline constexpr COLORREF kBoxText = RGB(255, 192, 128);
inline constexpr COLORREF kFrameGrey = RGB(64, 64, 64);

// Screen positions that the logic sees in twips (TwipsRect, MoveTo) use a fixed 15 twips to
// the pixel, so that a position read and written back lands on the very same pixel at any
// DPI. Sizes inside a window scale with its DPI: SkinnedWindow::Scale.
inline constexpr int kScreenTwipsPerPixel = 15;

// The DPI of a window's monitor: per monitor on Windows 10 and later, the system's before.
int WindowDpi(HWND window);

class SkinnedWindow {
  public:
    SkinnedWindow() = default;
    virtual ~SkinnedWindow();
    SkinnedWindow(const SkinnedWindow&) = delete;
    SkinnedWindow& operator=(const SkinnedWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }
    // Twips to pixels at the window's DPI (1440 twips to the inch).
    int Scale(int twips) const { return MulDiv(twips, dpi_, 1440); }

  protected:
    // Creates the window, hidden, with an inner area of the given size in twips. An owned
    // window minimises, restores and stacks with its owner.
    bool Create(const wchar_t* className, const std::string& caption, HWND owner, DWORD extendedStyle, int leftPx,
                int topPx, int widthTwips, int heightTwips);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A child control placed in twips; it is placed and its font sized again when the DPI
    // changes.
    HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int left, int top,
                    int width, int height, HFONT font);
    // "Arial Black" (a heavy sans-serif where the system has none) at a size in hundredths
    // of a point, at the window's DPI.
    HFONT Font(int hundredthsOfPoint, bool bold = false);
    // After the controls were placed again for a new DPI.
    virtual void AfterRelayout() {}

    // Text colour for a control. Labels are transparent: drawn straight onto the picture.
    void SetTextColour(HWND control, COLORREF colour) { textColours_[control] = colour; }
    void MakeTransparent(HWND label) { transparent_.insert(label); }
    // A label that is a drag handle: its mouse moves go to `onMove` with the buttons held.
    void ForwardMouseMoves(HWND label, std::function<void(unsigned buttons)> onMove);
    // A label's caption changes: the picture under it is drawn afresh first.
    void SetLabelText(HWND label, const std::string& text);

    // The WindowSurface calls.
    std::int32_t SurfaceGetWindowLong(platform::WindowHandle window, int index);
    std::int32_t SurfaceSetWindowLong(platform::WindowHandle window, int index, std::int32_t value);
    bool SurfaceSetLayered(platform::WindowHandle window, std::uint32_t key, std::uint8_t alpha, std::uint32_t flags);
    std::intptr_t SurfaceSendMessage(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);
    void InvalidateBackground();

    // What a mouse move's wParam says of the buttons, as the logic counts them.
    static unsigned Buttons(WPARAM wParam);

    // Extra drawing over the picture (lines, frames).
    virtual void PaintDecorations(HDC) {}

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK HandleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    struct DragHandle {
        WNDPROC previous;
        std::function<void(unsigned)> onMove;
    };
    std::map<HWND, DragHandle> dragHandles_;
    void PaintBackground(HDC dc);
    void ApplyDpi(int dpi, const RECT* suggested);
    HFONT MakeFont(int key) const;

    struct Placed {
        HWND control;
        int left, top, width, height;
        int fontKey;  // 0: no font of ours
    };
    std::vector<Placed> placed_;
    int dpi_ = 96;
    int widthTwips_ = 0;
    int heightTwips_ = 0;
    LRESULT ColourControl(HDC dc, HWND control, bool transparent);

    HWND hwnd_ = nullptr;
    HBITMAP background_ = nullptr;
    HBRUSH windowBrush_ = nullptr;
    std::map<int, HFONT> fonts_;
    std::map<HWND, COLORREF> textColours_;
    std::set<HWND> transparent_;
};

// The WindowSurface calls of a view, done by its skinned window.
template <typename View>
class SkinnedSurface : public View, protected SkinnedWindow {
  public:
    platform::WindowHandle Handle() const override { return reinterpret_cast<platform::WindowHandle>(Hwnd()); }
    std::int32_t GetWindowLongA(platform::WindowHandle window, int index) override {
        return SurfaceGetWindowLong(window, index);
    }
    std::int32_t SetWindowLongA(platform::WindowHandle window, int index, std::int32_t value) override {
        return SurfaceSetWindowLong(window, index, value);
    }
    bool SetLayeredWindowAttributes(platform::WindowHandle window, std::uint32_t key, std::uint8_t alpha,
                                    std::uint32_t flags) override {
        return SurfaceSetLayered(window, key, alpha, flags);
    }
    bool ReleaseCapture() override { return ::ReleaseCapture() != 0; }
    std::intptr_t SendMessageA(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override {
        return SurfaceSendMessage(window, message, wParam, lParam);
    }
    void DrawBackgroundStretched() override { InvalidateBackground(); }
};

}  // namespace vantorel::ui
