#pragma once
// The Servers window on Win32: the controls of frmServers, drawn and forwarded. Its list is
// a virtual list view, so that thousands of rows cost nothing until they are in sight and a
// changed row redraws only itself.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "browse/engine_server_source.h"
#include "browse/frm_servers.h"
#include "browse/loop_master_lister.h"
#include "ui/win32/skinned_window.h"

namespace vantorel::ui {

class ServersWindow : public SkinnedSurface<WindowSurface>, public browse::ServersWindowView {
  public:
    // Owned by the launcher: it minimises with it and stays above it.
    ServersWindow(HWND owner, browse::ServersWindowLink& link);
    ~ServersWindow() override;

    // Shows the window and asks for the list, or brings it forward when it is open.
    void Open();
    // Stops asking, keeps the place, hides the window.
    void Close();
    bool IsOpen() const { return open_; }
    HWND Window() const { return Hwnd(); }

    // ServersWindowView
    void RowsChanged(int count, int first, int last) override;
    void SelectionMoved(int row) override;
    void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    void CopyToClipboard(const std::string& text) override;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintDecorations(HDC dc) override;
    void AfterRelayout() override;
    void AfterUserMove() override;
    void MakeControls();
    void MakeList();
    void Layout();
    void PlaceAtStart();
    void SavePlace();
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void OnCommand(int id, WORD notification, HWND control);
    void OnEnter();
    void ShowMenu(POINT at);
    void ShowSortMarks();
    unsigned EdgesAt(POINT client) const;
    void BindLabel(Label& model, HWND label);
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    browse::LoopMasterLister lister_;
    browse::EngineServerSource source_;
    browse::frmServers logic_;
    HWND title_ = nullptr;
    HWND search_ = nullptr;
    HWND checks_[4] = {};
    HWND list_ = nullptr;
    HWND hidden_ = nullptr;
    HWND status_ = nullptr;
    HWND masters_ = nullptr;
    HWND buttons_[3] = {};  // Refresh, Add to favourites, Join
    HWND close_ = nullptr;
    HACCEL shortcuts_ = nullptr;
    WNDPROC listProc_ = nullptr;
    int columnDpi_ = 96;      // the DPI the columns' widths were set at
    std::wstring cell_;       // the text handed to the list view for the cell it draws
    bool selecting_ = false;  // the logic moves the selection: no click comes of it
    bool open_ = false;
};

}  // namespace vantorel::ui
