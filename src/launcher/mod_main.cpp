#include "launcher/mod_main.h"

#include <algorithm>
#include <vector>

#include "common/utf8.h"
#include "platform/ansi.h"
#include "platform/directory.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace vantorel::modMain {
namespace {

std::string& StoredGameDir() {
    static std::string gameDir;
    return gameDir;
}

// Whether the stored folder is the one the user showed, not GAMEDIR's.
bool& ChosenByUser() {
    static bool chosen = false;
    return chosen;
}

// Why the server address cannot go on the game's command line, or the empty text. A blank
// would start a further command there, a quote would change where the address ends, and
// a control character cannot be passed at all.
std::string JoinAddressRefusal(const std::string& address) {
    const std::string start = "The server address \"" + address + "\" ";
    bool blank = false;
    bool quote = false;
    for (const char c : address) {
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) {
            return "The server address contains a control character, which the game's command line cannot carry.";
        }
        blank = blank || c == ' ';
        quote = quote || c == '"';
    }
    if (quote) {
        return start + "contains a quotation mark, which would change how the game reads its command line.";
    }
    if (blank) {
        return start + "contains blanks, which would add commands to the game's command line.";
    }
    return {};
}

// Fills `list` from the listing of `pattern`, the steps both lists share.
void FillFromListing(ListControl& list, const std::string& pattern, const std::string& errorItem) {
    platform::DirectoryListing& listing = *platform::Current().directory;
    list.Clear();
    std::string name = listing.First(pattern, platform::kAttributeDirectory);
    if (name.empty()) {
        list.AddItem(errorItem);
    } else if (FirstChar(name) != ".") {
        list.AddItem(name);
    }
    while (!name.empty()) {
        name = listing.Next();
        if (!name.empty() && FirstChar(name) != ".") {
            list.AddItem(name);
        }
        platform::Current().events->DoEvents();
    }
}

}  // namespace

std::string ReadGameDir() {
    platform::Registry& registry = *platform::Current().registry;
    platform::RegistryKey key = 0;
    registry.OpenKey(platform::kLocalMachine, kGameKey, &key);
    std::string gameDir;
    if (key != 0) {
        gameDir = QueryRegValue(key, kGameDirValue);
    }
    registry.CloseKey(key);
    StoredGameDir() = gameDir;
    ChosenByUser() = false;
    return gameDir;
}

std::string GameDir() {
    return StoredGameDir();
}

bool IsGameFolder(const std::string& folder) {
    return !folder.empty() && platform::Current().files->IsRegularFile(folder + "\\bfvietnam.exe");
}

void UseGameDir(const std::string& folder) {
    StoredGameDir() = folder;
    ChosenByUser() = true;
}

std::string GameNotFound() {
    const std::string folder = GameDir();
    if (folder.empty()) {
        return std::string("the game folder is read from GAMEDIR in HKEY_LOCAL_MACHINE\\") + kGameKey +
               ", which could not be read.";
    }
    if (!IsGameFolder(folder)) {
        return "there is no bfvietnam.exe in " + folder +
               (ChosenByUser() ? ", the folder you chose." : ", the folder that GAMEDIR names.");
    }
    return {};
}

std::string QueryRegValue(platform::RegistryKey key, const std::string& valueName) {
    platform::Registry& registry = *platform::Current().registry;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry.QueryValue(key, valueName, &type, nullptr, &size) != platform::kRegistryOk) {
        return {};
    }
    if (type == platform::kRegSz) {
        std::vector<std::uint8_t> buffer(size);
        std::uint32_t readType = 0;
        std::uint32_t readSize = size;
        if (registry.QueryValue(key, valueName, &readType, buffer.data(), &readSize) != platform::kRegistryOk) {
            return {};
        }
        // Many installers store the text without its terminating NUL; the value is then
        // all of the stored bytes.
        std::string bytes(buffer.begin(), buffer.begin() + std::min(readSize, size));
        const std::size_t nul = bytes.find('\0');
        if (nul != std::string::npos) {
            bytes.resize(nul);
        }
        return platform::AnsiToUtf8(bytes);
    }
    if (type == platform::kRegDword) {
        std::uint8_t bytes[4] = {};
        std::uint32_t readType = 0;
        std::uint32_t readSize = sizeof bytes;
        if (registry.QueryValue(key, valueName, &readType, bytes, &readSize) != platform::kRegistryOk) {
            return {};
        }
        const auto lowWord = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
        return std::to_string(lowWord);
    }
    return {};
}

LaunchResult LaunchGame(const std::string& profile, const std::string& mod, const std::string& serverAddress) {
    const std::string program = GameDir() + "\\bfvietnam.exe";
    std::string parameters;
    if (CharCount(serverAddress) > 9) {
        const std::string refusal = JoinAddressRefusal(serverAddress);
        if (!refusal.empty()) {
            return {false, refusal};
        }
        parameters = "+restart 1 +game " + mod + " +joinServer " + serverAddress;
    } else {
        parameters = "+Profile " + profile + " +game " + mod;
    }
    const platform::ShellResult shell =
        platform::Current().shell->Open(program, parameters, GameDir(), platform::kShowNormal);
    if (!shell.started) {
        return {false, "The game could not be started (" + program + "): " + shell.reason};
    }
    return {true, {}};
}

void FillProfileList(ListControl& list) {
    FillFromListing(list, GameDir() + "\\Mods\\BfVietnam\\Settings\\Profiles\\*.*", "Error Loading Profiles");
    if (list.ListCount() > 2) {
        list.SetListIndex(2);
    }
}

void FillModList(ListControl& list) {
    FillFromListing(list, GameDir() + "\\Mods\\*.*", "Error Loading Mods");
    list.SetText("BfVietnam");
}

}  // namespace vantorel::modMain
