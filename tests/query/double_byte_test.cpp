// Replies from servers on a double-byte code page (Shift-JIS, 932), where a byte of 0x81 to
// 0x9F or 0xE0 to 0xFC starts a two-byte character whose second byte may be 0x5C, the
// backslash. The reply is split on the backslash byte before each value is decoded, so a
// value that ends in such a lead byte keeps the separator after it. Natively the code page is
// a stand-in made from a table; the Windows build reads the same replies with the system's own.

#include <gtest/gtest.h>

#include <map>

#include "common/codepage.h"
#include "fakes/fake_services.h"
#include "query/mod_bfv_query_parse.h"
#ifdef _WIN32
#include "platform/win32/code_page_win32.h"
#endif

namespace vantorel {
namespace {

namespace parse = modBFVQueryParse;

// A few characters of code page 932, two of them with 0x5C as their second byte. As the
// Windows build does, text that the code page cannot read is read as Windows-1252.
std::string Cp932StandIn(std::string_view bytes) {
    static const std::map<std::string, std::string> kPairs = {
        {"\x83\x5C", "\xE3\x82\xBD"},  // katakana so
        {"\x95\x5C", "\xE8\xA1\xA8"},  // "table"
        {"\x93\x8C", "\xE6\x9D\xB1"},  // "east"
        {"\x8B\x9E", "\xE4\xBA\xAC"},  // "capital"
        {"\x82\xA0", "\xE3\x81\x82"},  // hiragana a
    };
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += bytes[i];
            continue;
        }
        const auto pair = i + 1 < bytes.size() ? kPairs.find(std::string(bytes.substr(i, 2))) : kPairs.end();
        if (pair == kPairs.end()) {
            return Cp1252ToUtf8(bytes);
        }
        text += pair->second;
        ++i;
    }
    return text;
}

struct Case {
    std::string reply;
    std::string hostname, mapname, player;
};

TEST(DoubleByteReplyTest, ALeadByteBeforeABackslashNeverSwallowsTheSeparator) {
    const Case cases[] = {
        {"\\hostname\\\x93\x8C\x8B\x9E\\mapname\\Hue", "\xE6\x9D\xB1\xE4\xBA\xAC", "Hue", ""},
        // Read whole first, "\x83\\" would be one character and "mapname" part of the title.
        {"\\hostname\\\x83\\mapname\\Hue", "\xC6\x92", "Hue", ""},
        {"\\hostname\\A\x95\\mapname\\\x82\xA0\\numplayers\\1\\player_0\\\x83\\ping_0\\45", "A\xE2\x80\xA2",
         "\xE3\x81\x82", "\xC6\x92"},
        // A character whose second byte is the backslash cannot be sent: the reply splits there.
        {"\\hostname\\\x83\\\\mapname\\Hue", "\xC6\x92", "", ""},
    };
    std::vector<std::pair<const char*, parse::Decoder>> decoders = {{"stand-in", Cp932StandIn}};
#ifdef _WIN32
    decoders.emplace_back("Windows", [](std::string_view bytes) { return platform::CodePageToUtf8(bytes, 932); });
#endif
    testing::FakePlatform fakes;
    for (const auto& [name, decode] : decoders) {
        for (const Case& c : cases) {
            parse::Players().fill({});
            parse::ParseServerReply(c.reply, decode);
            EXPECT_EQ(parse::ServerInfo().hostname, c.hostname) << name << ": " << c.reply;
            EXPECT_EQ(parse::ServerInfo().mapname, c.mapname) << name << ": " << c.reply;
            EXPECT_EQ(parse::Players()[0].player, c.player) << name << ": " << c.reply;
        }
    }
}

}  // namespace
}  // namespace vantorel
