#pragma once
// A borderless popup window skinned with the background picture, with the controls, fonts
// and colours both windows use. It only draws and forwards events: the windows' logic lives
// in launcher/ and query/.

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "forms/window_surface.h"

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

// How a control with a fixed caption makes room for it, whatever the font and the DPI: it
// grows to the right or to the left (keeping its other edge) as far as `limit`, a
// position in twips, and downwards as its text needs.
struct Fit {
    enum Direction { kNone, kRight, kLeft };
    Direction direction = kNone;
    int limit = 0;
    int extra96 = 0;  // pixels at 96 DPI beside the text (a check box's box)
};

// The work area (the screen less the taskbar) of the monitor that a window is on.
RECT WorkArea(HWND window);

// A child control as it was placed, in twips.
struct Placed {
    HWND control;
    int left, top, width, height;
    int fontKey;  // 0: no font of ours
    Fit fit;
};

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
    // changes, and made as large as its caption needs when it has a fit.
    HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, int id, int left, int top,
                    int width, int height, HFONT font, Fit fit = {});
    // A label that acts as a button: drawn as a label over the picture, reached by Tab with
    // a focus mark around its text, and pressed by a click, Space or Enter (WM_COMMAND with
    // BN_CLICKED).
    HWND AddLabelButton(const std::string& text, int id, int left, int top, int width, int height, HFONT font,
                        COLORREF colour, Fit fit);
    // An edit field (or a combo box's) that selects all its text when a click brings the
    // focus into it, as Tab does, so that typing replaces what it showed.
    static void SelectAllOnClick(HWND edit);
    // "Arial Black" (a heavy sans-serif where the system has none) at a size in hundredths
    // of a point, at the window's DPI.
    HFONT Font(int hundredthsOfPoint, bool bold = false);
    // After the controls were placed again for a new DPI.
    virtual void AfterRelayout() {}
    // After the user moved or sized the window with the mouse.
    virtual void AfterUserMove() {}

    // A resizable window: the inner size it has now is the one a change of DPI scales.
    void KeepInnerSize();
    // Places a control again, in twips, as AddControl placed it.
    void MoveControl(HWND control, int left, int top, int width, int height);
    // Sizes the window with the mouse by its right edge, its bottom edge or both (the
    // corner), from where the left button went down, no smaller than the given inner size
    // in twips; Escape puts it back.
    enum Edge : unsigned { kSizeRight = 1, kSizeBottom = 2 };
    void ResizeWithMouse(unsigned edges, int minimumWidthTwips, int minimumHeightTwips);

    // Text colour for a control. Labels are transparent: drawn straight onto the picture.
    void SetTextColour(HWND control, COLORREF colour) { textColours_[control] = colour; }
    void MakeTransparent(HWND label) { transparent_.insert(label); }
    // A label that is a drag handle: its mouse moves go to `onMove` with the buttons held.
    void ForwardMouseMoves(HWND label, std::function<void(unsigned buttons)> onMove);
    // A label's caption changes: the picture under it is drawn afresh first.
    void SetLabelText(HWND label, const std::string& text);

    // The WindowSurface calls.
    void SetLayered(std::uint8_t alpha, std::uint32_t colourKey);
    void DragWithMouse();
    void InvalidateBackground();

    // What a mouse move's wParam says of the buttons, as the logic counts them.
    static unsigned Buttons(WPARAM wParam);

    // Extra drawing over the picture (lines, frames).
    virtual void PaintDecorations(HDC) {}

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SelectAllProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void DrawLabelButton(const DRAWITEMSTRUCT& item);
    // The system's move loop, done here (see the definition for why).
    void MoveWithMouse();
    // The loop of a move or a resize by the mouse: `follow` takes each pointer position, the
    // release's included, read from this thread's own queue so that a quick drag's release is
    // never missed; Escape calls `undo` and ends it.
    void FollowMouse(const std::function<void(POINT)>& follow, const std::function<void()>& undo);
    void PlaceControl(const Placed& control);
    static LRESULT CALLBACK HandleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    struct DragHandle {
        WNDPROC previous;
        std::function<void(unsigned)> onMove;
    };
    std::map<HWND, DragHandle> dragHandles_;
    void PaintBackground(HDC dc);
    void ApplyDpi(int dpi, const RECT* suggested);
    HFONT MakeFont(int key) const;

    std::vector<Placed> placed_;
    std::optional<DWORD> pressedAt_;  // where the left button went down last, on the screen
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
    void DrawBackgroundStretched() override { InvalidateBackground(); }
    void SetTranslucency(std::uint8_t alpha, std::uint32_t colourKey) override { SetLayered(alpha, colourKey); }
    void SystemDrag() override { DragWithMouse(); }
};

}  // namespace vantorel::ui
