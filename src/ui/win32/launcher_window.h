#pragma once
// The launcher window on Win32: the controls of frmInterface, drawn and forwarded.

#include <memory>
#include <vector>

#include "launcher/frm_interface.h"
#include "launcher/servers_link.h"
#include "query/frm_query.h"
#include "ui/win32/servers_window.h"
#include "ui/win32/skinned_window.h"
#include "ui/win32/stats_window.h"

namespace vantorel::ui {

class LauncherWindow : public SkinnedSurface<LauncherWindowView> {
  public:
    LauncherWindow();
    ~LauncherWindow() override;

    // Runs the load, then shows the window.
    void Load();

    // LauncherWindowView
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    void EndProcess() override;

    // Where the window is, in screen twips.
    TwipsRect Bounds() const;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintDecorations(HDC dc) override;
    HWND Label(int id, const std::string& caption, int left, int top, int width, int height, HFONT font,
               COLORREF colour, Fit fit);
    void CoverComboEdges(HWND combo, int& nextId);
    void PlaceFlaps();
    void AfterRelayout() override { PlaceFlaps(); }
    void OnCommand(int id, WORD notification, HWND control);
    void OnEnter();
    // The Servers window, made when it is first opened.
    void OpenServers();

    LauncherControls controls_;
    StatsWindowHost stats_;
    frmInterface logic_;
    LauncherServersLink serversLink_;
    std::unique_ptr<ServersWindow> servers_;
    HACCEL shortcuts_ = nullptr;
    std::vector<std::unique_ptr<ComboBox::Observer>> mirrors_;
    HWND title_ = nullptr;
    HWND lastFocus_ = nullptr;  // the box that had the focus when the window was left
    RECT followed_{};           // where the launcher was when the stats window last followed it
    struct Flaps {
        HWND combo;
        HWND boxes[4];
    };
    std::vector<Flaps> flaps_;
};

}  // namespace vantorel::ui
