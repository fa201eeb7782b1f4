#include "controls/KvStrUtils.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(KvStrUtils, Words) {
    const TCharSet blank = CharSetOf(" ");
    const std::string text = "  one  two ";
    EXPECT_EQ(GetDelimitedWordPos(1, text, blank), 3);
    EXPECT_EQ(GetDelimitedWord(1, text, blank), "one");
    EXPECT_EQ(GetDelimitedWord(2, text, blank), "two");
    EXPECT_EQ(GetDelimitedWord(3, text, blank), "");
    EXPECT_EQ(GetDelimitedWordPos(3, text, blank), 0);
    EXPECT_EQ(GetDelimitedWordPos(0, text, blank), 0);
    EXPECT_EQ(GetDelimitedWord(2, "Meno;Priezvisko;Mesto", CharSetOf(";")), "Priezvisko");
    EXPECT_EQ(GetDelimitedWord(2, "Čistý;Účet", CharSetOf(";")), "Účet");
}

TEST(KvStrUtils, NextTokenMovesPastOneDelimiter) {
    const TCharSet semi = CharSetOf(";");
    const std::string text = "a;;bc";
    int pos = 1;
    EXPECT_EQ(NextToken(text, pos, semi), "a");
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(NextToken(text, pos, semi), "");
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(NextToken(text, pos, semi), "bc");
    EXPECT_EQ(pos, 6);
    EXPECT_EQ(NextToken(text, pos, semi), "");
    EXPECT_EQ(pos, 6);
}

TEST(KvStrUtils, TextsAndSets) {
    EXPECT_EQ(SubstituteAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(SubstituteAll("a.b.c", ".", ".."), "a..b..c");
    EXPECT_EQ(SubstituteAll("abc", "", "x"), "abc");
    EXPECT_EQ(RepeatChar('-', 3), "---");
    EXPECT_EQ(RepeatChar('-', -2), "");
    const TCharSet digits = CharSetOf("0123456789");
    EXPECT_TRUE(ConsistsOfOnly("", digits));
    EXPECT_TRUE(ConsistsOfOnly("2026", digits));
    EXPECT_FALSE(ConsistsOfOnly("20 26", digits));
}

} // namespace
} // namespace kvz
