#include <gtest/gtest.h>

#include "common/codepage.h"
#include "common/number.h"
#include "common/text.h"
#include "common/utf8.h"

namespace vantorel {
namespace {

TEST(Utf8, CountsAndCutsCharactersNotBytes) {
    EXPECT_EQ(CharCount("é"), 1u);
    EXPECT_EQ(CharCount("Jérôme"), 6u);
    EXPECT_EQ(LeftChars("Jérôme", 3), "Jér");
    EXPECT_EQ(FirstChar("épée"), "é");
    EXPECT_EQ(FirstChar(""), "");
    // A stray byte is a character of its own and is kept.
    EXPECT_EQ(CharCount("a\xff"
                        "b"),
              3u);
    EXPECT_EQ(LeftChars("a\xff"
                        "b",
                        2),
              "a\xff");
}

TEST(Text, TrimRemovesOnlyBlanks) {
    EXPECT_EQ(Trim("  Alpha  "), "Alpha");
    EXPECT_EQ(Trim("  "), "");
    EXPECT_EQ(Trim("\tAlpha\t"), "\tAlpha\t");
}

TEST(Text, ProfileBlanksAreTrimmedAndControlCharactersFound) {
    EXPECT_EQ(TrimProfileBlanks("\t \x0B\x0C\r\n\x1A"
                                "Tab Server\t "),
              "Tab Server");
    EXPECT_EQ(TrimProfileBlanks("\t"), "");
    EXPECT_EQ(TrimProfileBlanks("a\tb"), "a\tb");
    EXPECT_TRUE(HasControlChar("a\tb"));
    EXPECT_TRUE(HasControlChar("a\x7F"));
    EXPECT_TRUE(HasControlChar("a\xC2\x85"));  // U+0085, a C1 control
    EXPECT_FALSE(HasControlChar("Caf\xC3\xA9 des Sp\xC3\xA9"));
}

TEST(Text, FixedWidthCutsAndPadsByCharacters) {
    EXPECT_EQ(FixedWidth("Ann", 15), "Ann            ");
    EXPECT_EQ(FixedWidth("A twenty char name!!", 15), "A twenty char n");
    EXPECT_EQ(FixedWidth("Jérôme", 8), "Jérôme  ");
    EXPECT_EQ(CharCount(FixedWidth("Jérôme", 8)), 8u);
}

TEST(Text, FoldCaseComparesLettersOfTheWindowsCodePages) {
    EXPECT_TRUE(EqualsIgnoreCase("Team Server", "tEAM sERVER"));
    EXPECT_TRUE(EqualsIgnoreCase("ÉCOLE", "école"));
    EXPECT_TRUE(EqualsIgnoreCase("ŠKODA", "škoda"));
    EXPECT_TRUE(EqualsIgnoreCase("МОСКВА", "москва"));
    EXPECT_FALSE(EqualsIgnoreCase("Alpha", "Alphb"));
    EXPECT_EQ(FoldCase("×"), "×");
}

TEST(Number, WholeNumberRoundsHalvesToEvenWithin16Bits) {
    EXPECT_EQ(WholeNumber("7"), 7);
    EXPECT_EQ(WholeNumber(" 7 "), 7);
    EXPECT_EQ(WholeNumber("2.5"), 2);
    EXPECT_EQ(WholeNumber("3.5"), 4);
    EXPECT_EQ(WholeNumber("-2.5"), -2);
    EXPECT_EQ(WholeNumber("+12"), 12);
    EXPECT_EQ(WholeNumber("1e2"), 100);
    EXPECT_EQ(WholeNumber("-32768"), -32768);
    EXPECT_EQ(WholeNumber("32767.4"), 32767);
    EXPECT_EQ(WholeNumber("32767.5"), std::nullopt);
    EXPECT_EQ(WholeNumber("40000"), std::nullopt);
    EXPECT_EQ(WholeNumber(""), std::nullopt);
    EXPECT_EQ(WholeNumber("abc"), std::nullopt);
    EXPECT_EQ(WholeNumber("12abc"), std::nullopt);
    EXPECT_EQ(WholeNumber("."), std::nullopt);
    EXPECT_EQ(WholeNumber("1e"), std::nullopt);
    EXPECT_EQ(WholeNumber("1e999"), std::nullopt);
}

TEST(Number, TwoDigitForm) {
    EXPECT_EQ(TwoDigit(5), "05");
    EXPECT_EQ(TwoDigit(0), "00");
    EXPECT_EQ(TwoDigit(123), "123");
    EXPECT_EQ(TwoDigit(-5), "-05");
    EXPECT_EQ(TwoDigit(-32768), "-32768");
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all), &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(CodePage, DecodesWindows1252AndMarksWhatItCannotHold) {
    EXPECT_EQ(Cp1252ToUtf8("J\xe9r\xf4me"), "Jérôme");
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
    EXPECT_EQ(Utf8ToCp1252("€ Š"), "\x80 \x8a");
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp1252("東京", &lossless), "??");
    EXPECT_FALSE(lossless);
}

}  // namespace
}  // namespace vantorel
