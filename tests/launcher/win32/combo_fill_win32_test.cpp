// Filling the favourites list into a real Win32 combo box: the file is read once and each
// item reaches the control once, however many favourites there are.

#include <gtest/gtest.h>
#include <windows.h>

#include "fakes/fake_services.h"
#include "fakes/temp_folder.h"
#include "forms/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "platform/win32/wide.h"
#include "ui/win32/bindings.h"

namespace vantorel {
namespace {

// What the combo box was sent, counted in its window procedure.
struct ComboCounts {
    WNDPROC original = nullptr;
    int resets = 0;
    int additions = 0;
};
ComboCounts counts;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CB_RESETCONTENT) {
        ++counts.resets;
    } else if (message == CB_ADDSTRING) {
        ++counts.additions;
    }
    return CallWindowProcW(counts.original, window, message, wParam, lParam);
}

std::string ItemText(HWND combo, int index) {
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return platform::Narrow(text);
}

TEST(ComboFill, TwoThousandFavouritesReachTheControlOnceEach) {
    testing::TempFolder folder;
    platform::ScopedPlatform restore;
    platform::MemoryRegistry registry;
    platform::Current().registry = &registry;
    registry.SetString(platform::kLocalMachine, modMain::kGameKey, "GAMEDIR", folder.Text());
    modMain::ReadGameDir();
    // Written by an editor that puts the UTF-8 mark first and tabs around a name.
    std::string file = "\xEF\xBB\xBF[\tCafé\t]\r\nServer=10.9.9.9\r\nPort=1\r\n";
    for (int i = 0; i < 2000; ++i) {
        file += "[Server " + std::to_string(i) + "]\r\nServer=10.0.0.1\r\nPort=15567\r\n";
    }
    folder.Write("Favorites.ini", file);

    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 200, 300, parent, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(combo, nullptr);
    counts.original =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));

    ComboBox model;
    const auto mirror = ui::BindComboBox(model, combo);
    counts.resets = counts.additions = 0;
    modFavorites::FillFavoriteList(model);

    EXPECT_EQ(counts.resets, 1);
    EXPECT_EQ(counts.additions, 2002);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2002);
    EXPECT_EQ(ItemText(combo, 0), "-- No Server --");
    EXPECT_EQ(ItemText(combo, 1), "Café");
    EXPECT_EQ(ItemText(combo, 2001), "Server 1999");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(modFavorites::GetFavoriteServer("CAFÉ"), "10.9.9.9");

    model.SetObserver(nullptr);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace vantorel
