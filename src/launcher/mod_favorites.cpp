#include "launcher/mod_favorites.h"

#include "common/text.h"
#include "launcher/mod_main.h"
#include "launcher/profile_file.h"
#include "platform/ansi.h"
#include "platform/clock.h"
#include "platform/platform.h"

namespace vantorel::modFavorites {
namespace {

bool FitsCodePage(const std::string& text) {
    bool lossless = true;
    platform::Utf8ToAnsi(text, &lossless);
    return lossless;
}

// Why the texts cannot be stored, or the empty text when they can.
std::string RefusalReason(const std::string& name, const std::string& server, const std::string& port) {
    if (Trim(name).empty()) {
        return "Please enter a server name";
    }
    if (name.find(']') != std::string::npos) {
        return "A server name cannot contain \"]\".";
    }
    if (HasLineBreak(name)) {
        return "A server name cannot contain a line break.";
    }
    if (HasLineBreak(server) || HasLineBreak(port)) {
        return "The server IP and port cannot contain a line break.";
    }
    if (!FitsCodePage(name) || !FitsCodePage(server) || !FitsCodePage(port)) {
        return "The favourites file cannot store some of these characters.";
    }
    return {};
}

}  // namespace

std::string FavoritesPath() {
    return modMain::GameDir() + "\\Favorites.ini";
}

SaveResult SaveFavorite(const std::string& name, const std::string& server, const std::string& port) {
    const std::string refusal = RefusalReason(name, server, port);
    if (!refusal.empty()) {
        return {false, refusal};
    }
    platform::Clock& clock = *platform::Current().clock;
    const std::string creation = clock.DateText() + "  " + clock.TimeText();
    // Each key is its own write, as the profile calls make them; the first failure is
    // the one to report, and the later writes are still tried.
    SaveResult result{true, {}};
    for (const auto& [key, value] :
         {std::pair<const char*, const std::string&>{"Server", server}, {"Port", port}, {"Creation", creation}}) {
        const profileFile::WriteResult written = profileFile::WriteString(name, key, value, FavoritesPath());
        if (!written.ok && result.ok) {
            result = {false, written.reason};
        }
    }
    return result;
}

std::string GetFavoriteServer(const std::string& name) {
    return profileFile::ReadString(name, "Server", kMissingValue, FavoritesPath());
}

std::string GetFavoritePort(const std::string& name) {
    return profileFile::ReadString(name, "Port", kMissingValue, FavoritesPath());
}

void FillFavoriteList(ListControl& list) {
    list.Clear();
    const std::vector<std::string> names = profileFile::SectionNames(FavoritesPath());
    list.AddItem(kNoServer);
    for (const std::string& name : names) {
        if (GetFavoriteServer(name) != kRemovedServer) {
            list.AddItem(name);
        }
    }
    list.SetListIndex(0);
}

}  // namespace vantorel::modFavorites
