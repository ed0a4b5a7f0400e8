// vantorel.exe. Until the launcher window exists this shows what the launcher's core
// finds: the game folder, the profiles, the mods and the favourites.

#include <windows.h>

#include <string>

#include "launcher/combo_box.h"
#include "launcher/mod_favorites.h"
#include "launcher/mod_main.h"
#include "platform/win32/wide.h"

namespace {

std::string Joined(const vantorel::ComboBox& list) {
    std::string text;
    for (const std::string& item : list.Items()) {
        text += "  " + item + "\n";
    }
    return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace vantorel;
    modMain::ReadGameDir();
    ComboBox profiles, mods, favorites;
    modMain::FillProfileList(profiles);
    modMain::FillModList(mods);
    modFavorites::FillFavoriteList(favorites);
    const std::string text = "Game folder: " + modMain::GameDir() + "\n\nProfiles:\n" + Joined(profiles) + "\nMods:\n" +
                             Joined(mods) + "\nFavourites:\n" + Joined(favorites);
    MessageBoxW(nullptr, platform::Widen(text).c_str(), L"Vantorel", MB_OK | MB_ICONINFORMATION);
    return 0;
}
