#include "engine/VolgaLex.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(VolgaMask, MatchesLikeTheEngineAlwaysDid) {
    struct Case { const char* mask; const char* text; bool match; };
    for (const Case& c : {Case{"*abc*", "ABC s.r.o.", true}, Case{"*abc*", "xabcx", true}, Case{"*abc*", "ab c", false},
                          Case{"a?c", "abc", true}, Case{"a?c", "ac", false}, Case{"*?", "", true}, Case{"*?", "x", true},
                          Case{"a%", "Alfa", true}, Case{"_lfa", "alfa", true}, Case{"*a*b*c", "aXbYbZc", true},
                          Case{"*a*b*c", "aXbYbZ", false}, Case{"ab", "abc", false}, Case{"", "", true},
                          Case{"*ššš", "Košššš", true}, Case{"*aab", "aaaab", true},
                          // A backslash takes the next character literally.
                          Case{"a\\?c", "a?c", true}, Case{"a\\?c", "abc", false}, Case{"*\\%", "100%", true},
                          Case{"*\\*", "x", false}, Case{"\\\\*", "\\x", true}, Case{"a\\", "a\\", true}}) {
        TVolgaMask mask(Utf8ToCodePage(c.mask, 1250), 1250);
        EXPECT_EQ(mask.Matches(Utf8ToCodePage(c.text, 1250)), c.match) << c.mask << " ~ " << c.text;
    }
    // Long masks match in linear time: no backtracking over every run.
    std::string longMask;
    for (int i = 0; i < 30; ++i) longMask += "*a";
    EXPECT_FALSE(TVolgaMask(longMask + "b", 1250).Matches(std::string(5000, 'a')));
    std::string tooMany;
    for (int i = 0; i < 31; ++i) tooMany += "*x";
    try {
        TVolgaMask bad(tooMany, 1250);
        FAIL();
    } catch (const EVolgaFilterError& e) {
        EXPECT_EQ(std::string(e.what()), "'" + tooMany + "' is an invalid mask at (62)");
    }
}

TEST(VolgaParser, FilterTextsAndTheirErrors) {
    const auto fs = FormatSettings::ForLanguage(1);
    struct Case { const char* text; const char* error; size_t conditions; };
    for (const Case& c : {Case{"Firma = 'ABC' and  ", nullptr, 1}, Case{"Firma LIKE '*a*' AND Mesto='Žilina'", nullptr, 2},
                          Case{"Meno = 'x' GROUP BY Meno", nullptr, 1}, Case{"t.Pocet >= -5", nullptr, 1}, Case{"Count = 1", "Error in comparison expression", 0},
                          Case{"Firma = 'a' or Meno = 'b'", "Error in comparison expression", 0},
                          Case{"Firma =", "Error in comparison expression", 0},
                          Case{"Firma", "Error in comparison expression", 0},
                          Case{"Firma = 'abc", "Unmatched quote", 0}, Case{"(Firma = 'a'", "Unmatched parentheses", 0},
                          Case{"Firma# = 1", "Invalid symbol in parameter/identificator/reserved word", 0},
                          Case{"SELECT(x) = 1", "Unsupported function SELECT in query", 0},
                          Case{"12 = Firma", "Error in comparison expression", 0}}) {
        TVolgaParser parser;
        std::vector<TVolgaCField> list;
        try {
            parser.Tokenize(Utf8ToCodePage(c.text, 1250), fs);
            parser.BuildConditions(list, 0);
            EXPECT_EQ(c.error, nullptr) << c.text;
            EXPECT_EQ(list.size(), c.conditions) << c.text;
        } catch (const EVolgaFilterError& e) {
            ASSERT_NE(c.error, nullptr) << c.text << ": " << e.what();
            EXPECT_EQ(std::string(e.what()), c.error) << c.text;
        }
    }
}

class FilterTest : public ::testing::Test {
protected:
    TVolgaCursor cursor;
    void SetUp() override {
        cursor.AddField("Firma", TVolgaFieldKind::SmallStr, 20);
        cursor.AddField("Pocet", TVolgaFieldKind::Integer);
        cursor.AddField("Limit", TVolgaFieldKind::Integer);
        cursor.AddField("Datum", TVolgaFieldKind::Date);
        cursor.AddField("Ok", TVolgaFieldKind::Boolean);
        cursor.AddField("Pozn", TVolgaFieldKind::Memo);
        Add("ABC s.r.o.", 5, 10, EncodeDate(2026, 3, 7), true, "volať");
        Add("xabcx", 15, 10, 0, false, "");
        Add("ab c", 0, 0, EncodeDate(2025, 1, 1), false, "x");
    }
    void Add(const char* firma, int pocet, int limit, TDateTime date, bool ok, const char* pozn) {
        TVolgaRowBuffer b = cursor.NewBuffer();
        SetValueBytes(b, *cursor.FindField("Firma"), Utf8ToCodePage(firma, 1250));
        SetFixed<int32_t>(b, *cursor.FindField("Pocet"), pocet);
        SetFixed<int32_t>(b, *cursor.FindField("Limit"), limit);
        if (date != 0) SetFixed<int32_t>(b, *cursor.FindField("Datum"), DateTimeToTimeStamp(date).Date);
        SetFixed<int16_t>(b, *cursor.FindField("Ok"), ok ? 1 : 0);
        SetValueBytes(b, *cursor.FindField("Pozn"), Utf8ToCodePage(pozn, 1250));
        std::string msg;
        cursor.PostRow(b, nullptr, msg);
    }
    std::string Rows(const char* text, bool caseInsensitive = false) {
        TVolgaFilter filter;
        filter.Compile(text, FormatSettings::ForLanguage(2), 1250);
        filter.Resolve(cursor);
        std::string out;
        for (size_t i = 0; i < cursor.Rows().size(); ++i)
            if (filter.Accepts(cursor, *cursor.Rows()[i], caseInsensitive)) out += std::to_string(i);
        return out;
    }
};

TEST_F(FilterTest, SelectsRowsByConstantsFieldsAndMasks) {
    EXPECT_EQ(Rows("Firma LIKE '*abc*'"), "01");
    EXPECT_EQ(Rows("Pocet > 4 and Pocet < 10"), "0");
    EXPECT_EQ(Rows("Pocet > Limit"), "1");
    EXPECT_EQ(Rows("Pocet = Limit"), "2");
    EXPECT_EQ(Rows("Datum >= '1.1.2026'"), "0");
    EXPECT_EQ(Rows("Datum = NULL"), "1");
    EXPECT_EQ(Rows("Firma = 'xABCx'"), "");
    EXPECT_EQ(Rows("Firma = 'xABCx'", true), "1");
    EXPECT_EQ(Rows("Pozn = 'volať'"), "0");     // memo constants are not cut to nothing
    EXPECT_EQ(Rows("Ok = TRUE"), "0");          // TRUE is the boolean, not an empty value
    EXPECT_EQ(Rows("Ok = FALSE"), "12");
    EXPECT_EQ(Rows("Ok = 'yes'"), "0");
    EXPECT_EQ(Rows("Firma *= 'q'"), "012");
    EXPECT_EQ(Rows("'Firma' LIKE 'ab*'"), "02"); // masks ignore case
}

TEST_F(FilterTest, ResolvingRefusesUnknownFieldsMismatchedKindsAndConstantsThatDoNotConvert) {
    struct Case { const char* text; const char* error; };
    for (const Case& c : {Case{"Mesto = 'x'", "Field Mesto is not found"}, Case{"Pocet = Mesto", "Field Mesto is not found"},
                          Case{"Pocet = Datum2", "Field Datum2 is not found"},
                          Case{"Pocet = Firma", "Types of compared fields are not equal"},
                          Case{"Pocet = 'abc'", "'abc' is not a valid integer value"},
                          Case{"Datum = '31.2.2026'", "'31.2.2026' is not a valid date"}}) {
        try {
            Rows(c.text);
            ADD_FAILURE() << c.text;
        } catch (const EVolgaFilterError& e) {
            EXPECT_EQ(std::string(e.what()), c.error) << c.text;
        }
    }
}

TEST_F(FilterTest, AFailedCompileKeepsTheOldFilter) {
    TVolgaFilter filter;
    const auto fs = FormatSettings::ForLanguage(2);
    filter.Compile("Pocet = 5", fs, 1250);
    EXPECT_THROW(filter.Compile("Pocet = ", fs, 1250), EVolgaFilterError);
    filter.Resolve(cursor);
    EXPECT_TRUE(filter.Accepts(cursor, *cursor.Rows()[0], false));
    EXPECT_FALSE(filter.Accepts(cursor, *cursor.Rows()[1], false));
}

} // namespace
} // namespace kvz
