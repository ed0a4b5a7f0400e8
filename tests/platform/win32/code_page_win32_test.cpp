// The conversions at the OS boundary against the real system code page. The default run sees
// Windows-1252; desktop_settings.sh runs these again with UTF-8 (65001) and Shift-JIS (932)
// as the system code page.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "launcher/mod_main.h"
#include "platform/ansi.h"
#include "platform/win32/code_page_win32.h"

namespace vantorel {
namespace {

// The code page the run was set up with, when it says.
UINT ExpectedCodePage() {
    const char* asked = std::getenv("VANTOREL_EXPECT_ACP");
    return asked ? static_cast<UINT>(std::strtoul(asked, nullptr, 10)) : 0;
}

TEST(CodePage, TheSystemCodePageIsTheOneTheRunAskedFor) {
    const UINT expected = ExpectedCodePage();
    if (expected == 0) {
        GTEST_SKIP() << "the run names no code page; the system's is " << GetACP();
    }
    EXPECT_EQ(GetACP(), expected);
}

struct Case {
    const char* text;   // UTF-8
    const char* bytes;  // in the code page
    bool lossless;
};

// What each code page makes of the same texts: an accent, Japanese, and both.
const Case* CasesFor(UINT codePage) {
    static const Case k1252[] = {{"Caf\xC3\xA9", "Caf\xE9", true},
                                 {"\xE6\x9D\xB1\xE4\xBA\xAC", "??", false},
                                 {"Rock & Roll", "Rock & Roll", true},
                                 {nullptr, nullptr, false}};
    static const Case k932[] = {{"\xE6\x9D\xB1\xE4\xBA\xAC", "\x93\x8C\x8B\x9E", true},
                                {"Caf\xC3\xA9", "Caf?", false},
                                {"Rock & Roll", "Rock & Roll", true},
                                {nullptr, nullptr, false}};
    static const Case k65001[] = {
        {"Caf\xC3\xA9", "Caf\xC3\xA9", true},
        {"\xE6\x9D\xB1\xE4\xBA\xAC Caf\xC3\xA9", "\xE6\x9D\xB1\xE4\xBA\xAC Caf\xC3\xA9", true},
        {"Rock & Roll", "Rock & Roll", true},
        {nullptr, nullptr, false}};
    switch (codePage) {
        case 1252: return k1252;
        case 932: return k932;
        case 65001: return k65001;
        default: return nullptr;
    }
}

TEST(CodePage, TextGoesOutWholeAndComesBackOnThisCodePage) {
    const Case* cases = CasesFor(GetACP());
    if (!cases) {
        GTEST_SKIP() << "no table for code page " << GetACP();
    }
    for (const Case* c = cases; c->text; ++c) {
        bool lossless = true;
        EXPECT_EQ(platform::Utf8ToAnsi(c->text, &lossless), c->bytes) << c->text;
        EXPECT_EQ(lossless, c->lossless) << c->text;
        if (c->lossless) {
            EXPECT_EQ(platform::AnsiToUtf8(c->bytes), c->text) << c->text;
        }
    }
}

TEST(CodePage, BytesTheCodePageCannotReadAreReadAsWindows1252) {
    // An old favourite or a server's reply in Windows-1252: on UTF-8 and Shift-JIS systems
    // "\xE9" alone is no character, and "\x80" is the euro sign in Windows-1252.
    EXPECT_EQ(platform::AnsiToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    if (GetACP() == 65001 || GetACP() == 1252) {
        EXPECT_EQ(platform::AnsiToUtf8("5 \x80"), "5 \xE2\x82\xAC");
    }
}

TEST(CodePage, EveryKindOfCodePageGivesTextBackWhole) {
    // Whatever the system's code page, each kind can be tried by number. UTF-7 (65000), like
    // the stateful ISO-2022 pages, refuses WC_NO_BEST_FIT_CHARS and the used-default pointer
    // (Wine applies that rule to UTF-7; Windows also to UTF-8).
    const std::string text = "\xE6\x9D\xB1\xE4\xBA\xAC Caf\xC3\xA9";
    for (const unsigned codePage : {65001u, 65000u, 932u, 936u, 949u, 950u, 1252u}) {
        const std::string bytes = platform::Utf8ToCodePage(text, codePage);
        EXPECT_FALSE(bytes.empty()) << codePage;
    }
    bool lossless = true;
    EXPECT_EQ(platform::Utf8ToCodePage(text, 932, &lossless), "\x93\x8C\x8B\x9E Caf?");
    EXPECT_FALSE(lossless);
    lossless = true;
    EXPECT_EQ(platform::Utf8ToCodePage(text, 65001, &lossless), text);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(platform::CodePageToUtf8(platform::Utf8ToCodePage(text, 65000), 65000), text);
    EXPECT_EQ(platform::CodePageToUtf8("\x93\x8C\x8B\x9E", 932), "\xE6\x9D\xB1\xE4\xBA\xAC");
    EXPECT_EQ(platform::CodePageToUtf8("Caf\xE9", 932), "Caf\xC3\xA9");
    EXPECT_EQ(platform::CodePageToUtf8("Caf\xE9", 65001), "Caf\xC3\xA9");
}

TEST(CodePage, TheGameFolderIsReadWholeOnThisCodePage) {
    // A folder name the code page can hold (the 8-bit registry call cannot give more).
    const std::wstring folder = GetACP() == 932     ? L"C:\\\u6771\u4EAC"
                                : GetACP() == 65001 ? L"C:\\\u6771\u4EAC Caf\u00E9"
                                                    : L"C:\\Caf\u00E9";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, modMain::kGameKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"GAMEDIR", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    const std::string read = modMain::ReadGameDir();
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, modMain::kGameKey, KEY_WOW64_32KEY, 0);
    const std::string expected = GetACP() == 932     ? "C:\\\xE6\x9D\xB1\xE4\xBA\xAC"
                                 : GetACP() == 65001 ? "C:\\\xE6\x9D\xB1\xE4\xBA\xAC Caf\xC3\xA9"
                                                     : "C:\\Caf\xC3\xA9";
    EXPECT_EQ(read, expected);
}

}  // namespace
}  // namespace vantorel
