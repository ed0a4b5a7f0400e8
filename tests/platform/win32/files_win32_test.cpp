// The favourites engine beside Windows' own profile calls on the same files: what one
// lists and reads the other must list and read, also after the engine has written.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "fakes/temp_folder.h"
#include "launcher/profile_file.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"

namespace vantorel {
namespace {

using profileFile::ProfileFile;

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(bigEndian ? unit >> 8 : unit & 0xFF);
        bytes += static_cast<char>(bigEndian ? unit & 0xFF : unit >> 8);
    }
    return bytes;
}

struct Reading {
    std::vector<std::string> names;
    std::vector<std::string> servers;
};

// The launcher lists a favourite once, however often its section occurs, where the profile
// calls list every occurrence; both read the first.
Reading ReadByWindows(const std::string& path) {
    const std::wstring file = platform::Widen(path);
    std::wstring buffer(65536, L'\0');
    const DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    Reading reading;
    for (std::size_t begin = 0; begin < length;) {
        const std::size_t end = buffer.find(L'\0', begin);
        const std::wstring name = buffer.substr(begin, end - begin);
        begin = end + 1;
        const auto sameName = [&](const std::string& listed) {
            return EqualsIgnoreCase(listed, platform::Narrow(name));
        };
        if (std::any_of(reading.names.begin(), reading.names.end(), sameName)) {
            continue;
        }
        wchar_t value[256] = {};
        GetPrivateProfileStringW(name.c_str(), L"Server", L"Default", value, 256, file.c_str());
        reading.names.push_back(platform::Narrow(name));
        reading.servers.push_back(platform::Narrow(value));
    }
    return reading;
}

Reading ReadByEngine(const std::string& path) {
    const ProfileFile file = ProfileFile::Read(path);
    Reading reading;
    for (const std::string& name : file.SectionNames()) {
        reading.names.push_back(name);
        reading.servers.push_back(file.Value(name, "Server").value_or("Default"));
    }
    return reading;
}

TEST(ProfileCalls, ListAndReadWhatTheEngineListsAndReadsAlsoAfterItsWrites) {
    const std::u16string unicode =
        u"[Café]\r\nServer=10.0.0.1\r\n[[VN] "
        u"Saigon]\r\nServer=10.0.0.2\r\n[東京]\nServer=10.0.0.3\r[A]x]\r\nServer=4\r\n";
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"8-bit",
         "[Caf\xE9]\r\nServer=10.0.0.1\r\n[[VN] Saigon]\r\n  Server = \"10.0.0.2\" \r\n  [ [x] ] ;c\r\n"
         "Server=3\r\n[A]x]\r\nServer=4\r\n[A] trailing\r\nserver=5\r\n[a]\r\nServer=6\r\n[]\r\nServer=7\r\n"},
        {"line ends", "[A]\rServer=1\r[B]\nServer=2\n[C]\r\nServer=3"},
        {"UTF-8", "\xEF\xBB\xBF[Caf\xC3\xA9]\r\nServer=10.0.0.1\r\n[[VN] Saigon]\r\nServer=10.0.0.2\r\n"},
        {"UTF-16 LE", "\xFF\xFE" + Utf16(unicode, false)},
        {"UTF-16 BE", "\xFE\xFF" + Utf16(unicode, true)},
        {"UTF-16 without mark", Utf16(unicode, false)},
    };
    testing::TempFolder folder;
    const std::string path = folder.Text() + "\\Favorites.ini";
    for (const auto& c : cases) {
        folder.Write("Favorites.ini", c.bytes);
        const Reading windows = ReadByWindows(path);
        const Reading engine = ReadByEngine(path);
        EXPECT_EQ(engine.names, windows.names) << c.label;
        EXPECT_EQ(engine.servers, windows.servers) << c.label;

        const profileFile::WriteResult written = ProfileFile::Update(path, [](ProfileFile& file) {
            for (const std::string name : {"[VN] Café Saigon", "Saigon ]", "[x]"}) {
                if (file.CanStore(name)) {
                    file.SetValue(name, "Server", "10.9.9.9");
                }
            }
            return std::string();
        });
        if (std::string(c.label) == "UTF-16 without mark") {
            EXPECT_FALSE(written.ok);
            continue;
        }
        ASSERT_TRUE(written.ok) << c.label << ": " << written.reason;
        const Reading windowsAfter = ReadByWindows(path);
        EXPECT_EQ(ReadByEngine(path).names, windowsAfter.names) << c.label;
        EXPECT_EQ(ReadByEngine(path).servers, windowsAfter.servers) << c.label;
        EXPECT_NE(std::find(windowsAfter.names.begin(), windowsAfter.names.end(), "Saigon ]"), windowsAfter.names.end())
            << c.label;
    }
}

}  // namespace
}  // namespace vantorel
