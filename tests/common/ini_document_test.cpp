#include <gtest/gtest.h>

#include "common/codepage.h"
#include "common/text.h"
#include "common/ini_document.h"

namespace vantorel {
namespace {

IniDocument Document(std::string bytes) {
    return IniDocument(std::move(bytes), [](std::string_view name) { return FoldCase(Cp1252ToUtf8(name)); });
}

TEST(IniRead, ReadsAsTheProfileCallsDo) {
    const IniDocument ini = Document(
        "; a comment\r\n"
        "orphan=no section\r\n"
        "[ Team Server ]  \r\n"
        "  Server  =  192.168.1.5  \r\n"
        "Port=15567\r\n"
        "port=99999\r\n"
        "no equals sign\r\n"
        ";Creation=hidden\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Unmatched=\"x'\r\n"
        "Empty=\r\n"
        "[Other]\n"
        "Server=10.0.0.1");
    EXPECT_EQ(ini.Value("team server", "SERVER"), "192.168.1.5");
    EXPECT_EQ(ini.Value("Team Server", "Port"), "15567");
    EXPECT_EQ(ini.Value("Team Server", "no equals sign"), std::nullopt);
    EXPECT_EQ(ini.Value("Team Server", "Creation"), std::nullopt);
    EXPECT_EQ(ini.Value("Team Server", "Quoted"), "  spaced  ");
    EXPECT_EQ(ini.Value("Team Server", "Single"), "x");
    EXPECT_EQ(ini.Value("Team Server", "Unmatched"), "\"x'");
    EXPECT_EQ(ini.Value("Team Server", "Empty"), "");
    EXPECT_EQ(ini.Value("Other", "Server"), "10.0.0.1");
    EXPECT_EQ(ini.Value("Missing", "Server"), std::nullopt);
    EXPECT_EQ(ini.Value("", "orphan"), std::nullopt);
}

TEST(IniRead, ASectionThatOccursTwiceIsReadFromItsFirstOccurrence) {
    const IniDocument ini = Document("[A]\r\nServer=first\r\n[B]\r\nServer=b\r\n[a]\r\nServer=second\r\nPort=1\r\n");
    EXPECT_EQ(ini.Value("A", "Server"), "first");
    EXPECT_EQ(ini.Value("A", "Port"), std::nullopt);
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A", "B"}));
}

TEST(IniRead, SectionNamesAreInFileOrderHoweverManyAndLong) {
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "Favourite server with a long name number " + std::to_string(i);
        bytes += "[" + name + "]\r\nServer=1.2.3.4\r\n";
        expected.push_back(name);
    }
    EXPECT_EQ(Document(bytes).SectionNames(), expected);
}

TEST(IniRead, NonAsciiNamesCompareWithoutRegardToCase) {
    const IniDocument ini = Document(
        "[\xC9quipe Fran\xE7"
        "aise]\r\nServer=1.1.1.1\r\n");
    EXPECT_EQ(ini.Value("\xE9quipe FRAN\xC7"
                        "AISE",
                        "server"),
              "1.1.1.1");
}

TEST(IniWrite, CreatesTheFileContentAsWindowsWritesIt) {
    IniDocument ini = Document("");
    ini.SetValue("Team Server", "Server", "192.168.1.5");
    ini.SetValue("Team Server", "Port", "15567");
    ini.SetValue("Old Server", "Server", "0.0.0.0");
    EXPECT_EQ(ini.Bytes(), "[Team Server]\r\nServer=192.168.1.5\r\nPort=15567\r\n[Old Server]\r\nServer=0.0.0.0\r\n");
}

TEST(IniWrite, ReplacesAValueInPlaceKeepingEveryOtherByte) {
    IniDocument ini = Document("; mine\n[A]\n  Server = 1.1.1.1   \nPort=1\n\n[B]\nServer=2.2.2.2\n");
    ini.SetValue("a", "SERVER", "9.9.9.9");
    EXPECT_EQ(ini.Bytes(), "; mine\n[A]\n  Server = 9.9.9.9\nPort=1\n\n[B]\nServer=2.2.2.2\n");
}

TEST(IniWrite, AddsANewKeyAfterTheLastLineOfItsSection) {
    IniDocument ini = Document("[A]\r\nServer=1.1.1.1\r\n\r\n[B]\r\nServer=2.2.2.2\r\n");
    ini.SetValue("A", "Port", "15567");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nServer=1.1.1.1\r\nPort=15567\r\n\r\n[B]\r\nServer=2.2.2.2\r\n");
}

TEST(IniWrite, CompletesALastLineWithoutItsLineEnd) {
    IniDocument ini = Document("[A]\r\nServer=1.1.1.1");
    ini.SetValue("A", "Port", "1");
    ini.SetValue("B", "Server", "2.2.2.2");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nServer=1.1.1.1\r\nPort=1\r\n[B]\r\nServer=2.2.2.2\r\n");
}

TEST(IniWrite, WritesIntoTheFirstOccurrenceOfASection) {
    IniDocument ini = Document("[A]\r\nServer=1\r\n[A]\r\nServer=2\r\n");
    ini.SetValue("A", "Server", "3");
    ini.SetValue("A", "Port", "4");
    EXPECT_EQ(ini.Bytes(), "[A]\r\nServer=3\r\nPort=4\r\n[A]\r\nServer=2\r\n");
}

TEST(IniRead, TrimsTheBlanksTheProfileCallsTrim) {
    const IniDocument ini = Document("[\tTab Server \x0B]\r\n\tServer\t=\t1.1.1.1\x0C\x1A\r\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Tab Server"}));
    EXPECT_EQ(ini.Value("Tab Server", "Server"), "1.1.1.1");
}

TEST(IniRead, EveryLineEndEndsALineAndTheUtf8MarkIsSkipped) {
    // CR alone (old Mac editors), LF alone and CR LF, mixed in one file.
    const IniDocument ini =
        Document("\xEF\xBB\xBF[First]\rServer=1.1.1.1\r[Second]\nServer=2.2.2.2\r\n[Third]\rPort=3");
    EXPECT_TRUE(ini.IsUtf8());
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"First", "Second", "Third"}));
    EXPECT_EQ(ini.Value("First", "Server"), "1.1.1.1");
    EXPECT_EQ(ini.Value("Second", "Server"), "2.2.2.2");
    EXPECT_EQ(ini.Value("Third", "Port"), "3");
    EXPECT_FALSE(Document("[A]\r\n").IsUtf8());
}

TEST(IniWrite, KeepsTheMarkAndWritesNewLinesAsTheFileEndsItsLines) {
    IniDocument cr = Document("\xEF\xBB\xBF[A]\rServer=1.1.1.1\r");
    cr.SetValue("A", "Port", "1");
    cr.SetValue("B", "Server", "2.2.2.2");
    EXPECT_EQ(cr.Bytes(), "\xEF\xBB\xBF[A]\rServer=1.1.1.1\rPort=1\r[B]\rServer=2.2.2.2\r");

    IniDocument lf = Document("[A]\nServer=1.1.1.1");
    lf.SetValue("B", "Server", "2.2.2.2");
    EXPECT_EQ(lf.Bytes(), "[A]\nServer=1.1.1.1\n[B]\nServer=2.2.2.2\n");

    IniDocument markOnly = Document("\xEF\xBB\xBF");
    markOnly.SetValue("A", "Server", "1.1.1.1");
    EXPECT_EQ(markOnly.Bytes(), "\xEF\xBB\xBF[A]\r\nServer=1.1.1.1\r\n");
}

TEST(IniRead, AHeaderNameRunsToTheLastBracketOfItsLine) {
    // What Windows' profile calls (Wine 8) list for each header line.
    const struct {
        std::string line;
        std::optional<std::string> name;
    } cases[] = {
        {"[[VN] Caf\xE9 Saigon]", "[VN] Caf\xE9 Saigon"},
        {"[A]B]", "A]B"},
        {"[ A [B] ]", "A [B]"},
        {"[A] trailing", "A"},
        {"[A]x]", "A]x"},
        {"  [ [x] ] ;c", "[x]"},
        {"[ ]x]", "]x"},
        {"[A] ]", "A]"},
        {"[[]", "["},
        {"[]", ""},
        {"[A", std::nullopt},
        {"A]", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniDocument::HeaderName(c.line), c.name) << c.line;
    }
}

TEST(IniRead, ListsNoEmptyNameAndAnswersTextsUpToANul) {
    using namespace std::string_literals;
    const IniDocument ini = Document("[]\r\nServer=1\r\n[A]\r\nServer=1.1\0009.1\r\n[B\0C]\r\n"s);
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ini.Value("A", "Server"), "1.1");
    EXPECT_EQ(ini.Value("B", "Server"), std::nullopt);  // the section is "B\0C"
}

}  // namespace
}  // namespace vantorel
