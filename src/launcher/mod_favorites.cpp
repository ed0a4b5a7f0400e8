#include "launcher/mod_favorites.h"

#include "common/text.h"
#include "launcher/mod_main.h"
#include "launcher/profile_file.h"
#include "platform/clock.h"
#include "platform/platform.h"

namespace vantorel::modFavorites {
namespace {

using profileFile::ProfileFile;

std::string ValueOrMissing(const ProfileFile& file, const std::string& name, const std::string& key) {
    return file.Value(name, key).value_or(kMissingValue);
}

bool IsRemoved(const ProfileFile& file, const std::string& name) {
    return ValueOrMissing(file, name, "Server") == kRemovedServer;
}

}  // namespace

std::string FavoritesPath() {
    return modMain::GameDir() + "\\Favorites.ini";
}

std::string StoreRefusal() {
    const std::string notFound = modMain::GameNotFound();
    if (notFound.empty()) {
        return {};
    }
    return "Favourites are kept in the game's folder, but Battlefield Vietnam was not found: " + notFound;
}

std::string NameRefusal(const std::string& name) {
    const std::string trimmed = TrimProfileBlanks(name);
    if (trimmed.empty()) {
        return "Please enter a server name";
    }
    if (HasLineBreak(trimmed)) {
        return "A server name cannot contain a line break.";
    }
    if (HasControlChar(trimmed)) {
        return "A server name cannot contain a tab or another control character.";
    }
    return {};
}

SaveResult SaveFavorite(const std::string& rawName, const std::string& rawServer, const std::string& rawPort) {
    const std::string name = TrimProfileBlanks(rawName);
    const std::string server = TrimProfileBlanks(rawServer);
    const std::string port = TrimProfileBlanks(rawPort);
    for (const std::string& refusal : {StoreRefusal(), NameRefusal(name)}) {
        if (!refusal.empty()) {
            return {false, refusal};
        }
    }
    if (HasLineBreak(server) || HasLineBreak(port)) {
        return {false, "The server IP and port cannot contain a line break."};
    }
    // All three keys in one save: a favourite is never left with a server and no port.
    const profileFile::WriteResult written = ProfileFile::Update(FavoritesPath(), [&](ProfileFile& file) {
        if (!file.CanStore(name) || !file.CanStore(server) || !file.CanStore(port)) {
            return std::string("The favourites file cannot store some of these characters.");
        }
        platform::Clock& clock = *platform::Current().clock;
        file.SetValue(name, "Server", server);
        file.SetValue(name, "Port", port);
        file.SetValue(name, "Creation", clock.DateText() + "  " + clock.TimeText());
        return std::string();
    });
    return {written.ok, written.reason};
}

std::optional<Favorite> FindFavorite(const std::string& name) {
    const ProfileFile file = ProfileFile::Read(FavoritesPath());
    const std::optional<std::string> stored = file.SectionName(name);
    if (!stored || IsRemoved(file, name)) {
        return std::nullopt;
    }
    return Favorite{*stored, ValueOrMissing(file, name, "Server"), ValueOrMissing(file, name, "Port")};
}

std::vector<Favorite> ReadFavorites() {
    const ProfileFile file = ProfileFile::Read(FavoritesPath());
    std::vector<Favorite> favorites;
    for (const std::string& name : file.SectionNames()) {
        if (!IsRemoved(file, name)) {
            favorites.push_back({name, ValueOrMissing(file, name, "Server"), ValueOrMissing(file, name, "Port")});
        }
    }
    return favorites;
}

std::string GetFavoriteServer(const std::string& name) {
    return ValueOrMissing(ProfileFile::Read(FavoritesPath()), name, "Server");
}

std::string GetFavoritePort(const std::string& name) {
    return ValueOrMissing(ProfileFile::Read(FavoritesPath()), name, "Port");
}

std::string FillFavoriteList(ListControl& list) {
    list.Clear();
    const ProfileFile file = ProfileFile::Read(FavoritesPath());
    list.AddItem(kNoServer);
    for (const std::string& name : file.SectionNames()) {
        if (!IsRemoved(file, name)) {
            list.AddItem(name);
        }
    }
    list.SetListIndex(0);
    return file.Unreadable() ? "Could not read " + FavoritesPath() + ": " + file.Failure() : std::string();
}

}  // namespace vantorel::modFavorites
