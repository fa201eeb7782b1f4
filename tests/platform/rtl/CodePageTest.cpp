#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    for (int cp : {1250, 1252, 852}) {
        std::string all;
        for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
        const std::string utf8 = CodePageToUtf8(all, cp);
        EXPECT_TRUE(IsValidUtf8(utf8)) << cp;
        EXPECT_EQ(Utf8ToCodePage(utf8, cp), all) << cp;
    }
}

TEST(CodePage, SlovakLettersHaveTheirWindowsAndOemBytes) {
    const std::string text = "Žltý kôň úpäl ďábelské ódy";
    EXPECT_EQ(Utf8ToCodePage("ŽčŤ", 1250), "\x8E\xE8\x8D");
    EXPECT_EQ(Utf8ToCodePage("ŽčŤ", 852), "\xA6\x9F\x9B");
    EXPECT_EQ(CodePageToUtf8(Utf8ToCodePage(text, 1250), 1250), text);
    EXPECT_EQ(Utf8Length(text), 26u);
    EXPECT_EQ(Utf8Left(text, 4), "Žltý");
}

TEST(CodePage, ACharacterThatDoesNotFitIsRefusedNotTurnedIntoAQuestionMark) {
    EXPECT_THROW(Utf8ToCodePage("Ωmega", 1250), CodePageError);
    EXPECT_THROW(Utf8ToCodePage("ok \xC3", 1250), CodePageError); // cut UTF-8
    std::string out = "kept";
    EXPECT_FALSE(TryUtf8ToCodePage("日本", 1252, out));
    EXPECT_EQ(out, "kept");
    EXPECT_THROW(CodePageTablesFor(65001), CodePageError);
}

TEST(CodePage, CaseTablesAndCollationOfTheDataCodePage) {
    const auto& t = CodePageTablesFor(1250);
    auto b = [](const char* s) { return static_cast<uint8_t>(Utf8ToCodePage(s, 1250)[0]); };
    EXPECT_EQ(t.upper[b("č")], b("Č"));
    EXPECT_EQ(t.lower[b("Ž")], b("ž"));
    EXPECT_EQ(t.swapped[b("a")], b("A"));
    EXPECT_EQ(t.swapped[b("1")], b("1"));
    EXPECT_TRUE(t.charType[b("ľ")] & ctLower);
    EXPECT_TRUE(t.charType[b("Ľ")] & ctUpper);
    EXPECT_EQ(t.collate[b("a")], t.collate[b("A")]);
    EXPECT_LT(t.collate[b("c")], t.collate[b("č")]);
    EXPECT_LT(t.collate[b("č")], t.collate[b("d")]);
    EXPECT_LT(t.collate[b("9")], t.collate[b("a")]);
    EXPECT_LT(CompareTextUtf8("čaj", "Dom"), 0);
    EXPECT_EQ(CompareTextUtf8("ŠKODA", "škoda"), 0);
    EXPECT_EQ(Utf8Upper("žltý"), "ŽLTÝ");
}

TEST(CodePage, ConvertsBetweenNamedCharsets) {
    EXPECT_EQ(ConvertCharset("\xE8", "WINDOWS-1250", "UTF-8"), "č");
    EXPECT_THROW(ConvertCharset("č", "UTF-8", "ISO-8859-1"), CodePageError);
}

} // namespace
} // namespace kvz
