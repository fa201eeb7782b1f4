#include "engine/VolgaCursor.h"
#include "engine/VolgaSession.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Guid.h"

#include "EngineTestUtil.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <map>
#include <set>
#include <random>

namespace kvz {
namespace {

// Written by hand from the file layout: two rows, notes "hi", Slovak text in Windows-1250.
const char* const kPlainHex =
    "bc000000530200000007000000620000005858582e4e756d6265722038125858582e4669726d61205a125858582e46697273745f4e616d"
    "65207334307e6465667e736563125858582e436f756e742069125858582e426f726e2064125858582e4f6b2062125858582e416d6f756e"
    "74206312142a02006869080d040404020830303030303030318e696c696e6120732e722e6f2e030000004ae16e2a00000031eb0a000100"
    "0000000000002940080000000000003030303030303032";
// The same table under the password "heslo", with the identifier {11111111-2222-3333-4444-555555555555}.
const char* const kPasswordHex =
    "e400000050ed889d089b8847ca6c60ef8e841610b32dc8a326fda137b37dfd2af44ca2b50dce42b23a5776e88d02000000070000006200"
    "00005858582e4e756d6265722038125858582e4669726d61205a125858582e46697273745f4e616d65207334307e6465667e7365631258"
    "58582e436f756e742069125858582e426f726e2064125858582e4f6b2062125858582e416d6f756e7420631214ec5aabb05787e1984b21"
    "cbac14a02e422df6fad6c2eba258e07bc2ebc3d35be9bb592d2d5cd39f8189f209e95ae64761962b32bd6d81f5489a98b1b2ac47e69da3"
    "35d855d84ae8daa2";

const std::string kFixedGuid = "{11111111-2222-3333-4444-555555555555}";

void DefineSmallTable(TVolgaCursor& c) {
    c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
    c.AddField("Firma", TVolgaFieldKind::SmallStr, 35);
    c.AddField("First Name", TVolgaFieldKind::String, 40, "def", "sec");
    c.AddField("Count", TVolgaFieldKind::Integer);
    c.AddField("Born", TVolgaFieldKind::Date);
    c.AddField("Ok", TVolgaFieldKind::Boolean);
    c.AddField("Amount", TVolgaFieldKind::Currency);
}

const TVolgaField& F(const TVolgaCursor& c, const char* name) { return *c.FindField(name); }

void FillSmallTable(TVolgaCursor& c) {
    std::string msg;
    TVolgaRowBuffer b = c.NewBuffer();
    SetValueBytes(b, F(c, "Number"), "00000001");
    SetValueBytes(b, F(c, "Firma"), Utf8ToCodePage("Žilina s.r.o.", 1250));
    SetValueBytes(b, F(c, "First_Name"), Utf8ToCodePage("Ján", 1250));
    SetFixed<int32_t>(b, F(c, "Count"), 42);
    SetFixed<int32_t>(b, F(c, "Born"), DateTimeToTimeStamp(EncodeDate(1960, 2, 29)).Date);
    SetFixed<int16_t>(b, F(c, "Ok"), 1);
    SetFixed<double>(b, F(c, "Amount"), 12.5);
    ASSERT_NE(c.PostRow(b, nullptr, msg), nullptr) << msg;
    TVolgaRowBuffer empty = c.NewBuffer();
    SetValueBytes(empty, F(c, "Number"), "00000002");
    ASSERT_NE(c.PostRow(empty, nullptr, msg), nullptr) << msg;
    c.SetNotes("hi");
    c.Accept();
}

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        VolgaSession().SetPasswordPrompt(nullptr);
        VolgaSession().SetMessageShower(nullptr);
    }
    void TearDown() override {
        SetGuidSource(nullptr);
        VolgaSession().RemovePassword("heslo");
    }
};

TEST_F(CursorTest, WritesTheFileByteForByteAndReadsItBack) {
    TVolgaCursor c;
    DefineSmallTable(c);
    FillSmallTable(c);
    std::string block;
    const size_t length = c.SaveToStream(block);
    EXPECT_EQ(length, block.size());
    EXPECT_EQ(ToHex(block), kPlainHex);

    TVolgaCursor back;
    std::string msg;
    ASSERT_TRUE(back.LoadFromStream(FromHex(kPlainHex), msg)) << msg;
    ASSERT_EQ(back.FieldCount(), 7);
    ASSERT_EQ(back.Rows().size(), 2u);
    EXPECT_EQ(back.Notes(), "hi");
    const TVolgaField& name = F(back, "first_name");
    EXPECT_EQ(name.Kind, TVolgaFieldKind::String);
    EXPECT_EQ(name.Size, 40);
    EXPECT_EQ(name.DefaultText, "def");
    EXPECT_EQ(name.SecondText, "sec");
    EXPECT_EQ(F(back, "Firma").Kind, TVolgaFieldKind::SmallStr);
    const TVolgaRow& r = *back.Rows()[0];
    EXPECT_EQ(CodePageToUtf8(ValueBytes(back.Decode(r), F(back, "Firma")), 1250), "Žilina s.r.o.");
    EXPECT_EQ(back.FieldText(F(back, "Born"), r, false, true), "1960/02/29");
    EXPECT_EQ(back.FieldText(F(back, "Amount"), r, false, true), "12.5");
    EXPECT_EQ(back.FieldText(F(back, "Ok"), r, false, true), "Yes");
    EXPECT_EQ(back.FieldText(F(back, "Born"), *back.Rows()[1], false, true), "");
    EXPECT_EQ(back.Rows()[1]->StoredSize(), 7 + 8); // empty values cost one length byte
    std::string again;
    back.SaveToStream(again);
    EXPECT_EQ(again, FromHex(kPlainHex));
}

TEST_F(CursorTest, PasswordTableIsEncipheredUnderAFreshIdentifierEachSave) {
    SetGuidSource([] { return kFixedGuid; });
    TVolgaCursor c;
    DefineSmallTable(c);
    FillSmallTable(c);
    c.SetPassword("heslo");
    std::string block;
    c.SaveToStream(block);
    EXPECT_EQ(ToHex(block), kPasswordHex);

    VolgaSession().AddPassword("heslo");
    TVolgaCursor back;
    std::string msg;
    ASSERT_TRUE(back.LoadFromStream(block, msg)) << msg;
    EXPECT_TRUE(back.Encrypted());
    EXPECT_EQ(back.Password(), "heslo");
    EXPECT_EQ(CheckBlockText(back.CheckBlock()), kFixedGuid);
    EXPECT_EQ(back.Rows().size(), 2u);

    SetGuidSource(nullptr);
    std::string first, second;
    back.SaveToStream(first);
    back.SaveToStream(second);
    EXPECT_NE(first.substr(5, 40), second.substr(5, 40));
    EXPECT_NE(first.substr(first.size() - 20), second.substr(second.size() - 20));
}

// A file is written in pieces while its block is made: the pieces make the block (also
// enciphered, across pieces, and with a value larger than a piece), and a save that fails on
// the way leaves the old file and nothing else.
TEST_F(CursorTest, ASaveWrittenInPiecesIsTheBlockAndAFailedOneLeavesTheOldFile) {
    SetGuidSource([] { return kFixedGuid; });
    TempFolder dir;
    const auto file = dir.path() / "Jano_notes.d";
    TVolgaCursor c;
    c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
    c.AddField("Note", TVolgaFieldKind::Memo);
    std::string msg;
    for (int i = 0; i < 30000; ++i) {
        TVolgaRowBuffer b = c.NewBuffer();
        SetValueBytes(b, c.Fields()[0], std::to_string(i));
        SetValueBytes(b, c.Fields()[1], std::string(static_cast<size_t>(60 + i % 90), static_cast<char>('a' + i % 26)));
        c.PostRow(b, nullptr, msg);
        if (i == 12345) {
            SetValueBytes(b, c.Fields()[1], std::string(size_t(5) << 19, 'x')); // two and a half pieces
            c.PostRow(b, nullptr, msg);
        }
    }
    c.Accept();
    for (const char* password : {"", "heslo"}) {
        SCOPED_TRACE(password);
        c.SetPassword(password);
        std::string block;
        c.SaveToStream(block);
        ASSERT_GT(block.size(), size_t(4) << 20); // pieces of a megabyte
        c.SaveToFile(file);
        EXPECT_EQ(ReadWholeFile(file), block);
    }
    VolgaSession().AddPassword("heslo");
    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(ReadWholeFile(file), msg)) << msg;
    ASSERT_EQ(back.Rows().size(), c.Rows().size());
    EXPECT_EQ(back.FieldBytes(*back.Rows()[12346], back.Fields()[1]).size(), size_t(5) << 19);
    EXPECT_EQ(back.FieldBytes(*back.Rows().back(), back.Fields()[1]), c.FieldBytes(*c.Rows().back(), c.Fields()[1]));

    const std::string before = ReadWholeFile(file);
    c.SetPassword("");
    c.OnCallback = [](int percent) {
        if (percent == 60) throw std::runtime_error("disk full");
    };
    EXPECT_THROW(c.SaveToFile(file), std::runtime_error);
    EXPECT_EQ(ReadWholeFile(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    SetGuidSource(nullptr);
}

// A table read again keeps the identity of each record whose code it finds again, whether the
// rows come back in their order or not; new codes, empty ones and a code held twice get new ones.
// Record numbers of up to eight characters are held packed, longer codes as bytes: both alike.
TEST_F(CursorTest, RowsReadAgainKeepTheIdentitiesOfTheirRecordCodes) {
    // A table of the codes given ("" an empty code), one row each, with a second field.
    auto block = [](const std::vector<std::string>& codes, const std::string& other = "x", int size = 8) {
        TVolgaCursor c;
        c.AddField("Number", TVolgaFieldKind::SmallStr, size);
        c.AddField("Other", TVolgaFieldKind::SmallStr, 8);
        std::string msg;
        for (const std::string& code : codes) {
            TVolgaRowBuffer b = c.NewBuffer();
            SetValueBytes(b, c.Fields()[0], code);
            SetValueBytes(b, c.Fields()[1], other);
            c.PostRow(b, nullptr, msg);
        }
        std::string out;
        c.SaveToStream(out);
        return out;
    };
    const std::vector<std::string> first = {"a", "b", "c", "d", "e"};
    const std::vector<std::string> eight = {"abcdefg1", "abcdefg2", "abcdefh0"};
    const std::vector<std::string> longer = {"abcdefghijk1", "abcdefghijk2", "abcdefghijl0", "abcdefghijl"};
    struct Case {
        std::string name;
        std::vector<std::string> held, again;
        std::string other;
        std::vector<std::string> kept; // codes whose rows keep their identity
        int onlySize = 0;              // the one field size the case is for
    };
    const std::vector<Case> cases = {
        {"unchanged", first, first, "x", first},
        {"another value", first, first, "y", first},
        {"rows added after", first, {"a", "b", "c", "d", "e", "f", "g"}, "x", first},
        {"a row gone", first, {"a", "b", "d", "e"}, "x", {"a", "b", "d", "e"}},
        {"another order", first, {"e", "c", "a", "b", "d"}, "x", first},
        {"a row added between", first, {"a", "b", "z", "c", "d", "e"}, "x", first},
        {"a code held twice", {"a", "b", "b", "c"}, {"a", "b", "b", "c"}, "x", {"a", "c"}},
        {"codes that do not rise", {"c", "a", "b"}, {"c", "a", "b", "d"}, "x", {"c", "a", "b"}},
        {"a code held twice apart", {"b", "a", "b"}, {"b", "a", "b"}, "x", {"a"}},
        {"a code found twice", first, {"a", "b", "b", "c", "d", "e"}, "x", first},
        {"empty codes", {"a", "", "b"}, {"a", "", "b"}, "x", {"a", "b"}},
        {"codes that begin the next", {"1", "12", "123"}, {"1", "12", "123"}, "x", {"1", "12", "123"}},
        {"a longer code first", {"12", "1"}, {"12", "1"}, "x", {"12", "1"}},
        {"high bytes", {"a", "\xE1", "\xFF"}, {"\xFF", "a", "\xE1"}, "x", {"a", "\xE1", "\xFF"}},
        {"eight characters", eight, eight, "y", eight},
        {"longer codes", longer, longer, "y", longer, 20},
        {"longer codes in another order", longer, {"abcdefghijl0", "abcdefghijk1", "abcdefghijk2"}, "y",
         {"abcdefghijk1", "abcdefghijk2", "abcdefghijl0"}, 20},
    };
    for (const int size : {8, 20}) {
        for (const Case& c : cases) {
            if (c.onlySize && c.onlySize != size) continue;
            SCOPED_TRACE(c.name + ", field size " + std::to_string(size));
            TVolgaCursor cursor;
            std::string msg;
            ASSERT_TRUE(cursor.LoadFromStream(block(c.held, "x", size), msg));
            std::map<std::string, uint32_t> before;
            std::set<uint32_t> given;
            for (const TVolgaRow* row : cursor.Rows()) {
                before[std::string(cursor.FieldBytes(*row, cursor.Fields()[0]))] = row->Id;
                given.insert(row->Id);
            }
            // Codes rise when each is above the one before, byte by byte from the first.
            std::vector<std::string> codes;
            for (const std::string& code : c.held)
                if (!code.empty()) codes.push_back(code);
            const bool rising = std::adjacent_find(codes.begin(), codes.end(), std::greater_equal<>()) == codes.end();
            const TRecordCodes held = cursor.HoldCodes({"Number"});
            EXPECT_EQ(held.rising, rising);
            ASSERT_TRUE(cursor.Reload(TBlockBytes::Copy(block(c.again, c.other, size)), held, {"Number"}, msg)) << msg;
            std::set<std::string> kept;
            std::set<uint32_t> ids;
            for (const TVolgaRow* row : cursor.Rows()) {
                const std::string code(cursor.FieldBytes(*row, cursor.Fields()[0]));
                EXPECT_TRUE(ids.insert(row->Id).second) << "identity given twice: " << code;
                EXPECT_EQ(cursor.RowById(row->Id), row);
                if (given.count(row->Id)) {
                    EXPECT_EQ(before.at(code), row->Id) << code;
                    kept.insert(code);
                }
            }
            EXPECT_EQ(kept, std::set<std::string>(c.kept.begin(), c.kept.end()));
        }
    }
    // A record number field grown between the reads: a longer number is not taken for the
    // number it begins with.
    TVolgaCursor cursor;
    std::string msg;
    ASSERT_TRUE(cursor.LoadFromStream(block({"12345678"}), msg));
    const uint32_t id = cursor.Rows()[0]->Id;
    ASSERT_TRUE(cursor.Reload(TBlockBytes::Copy(block({"123456789", "12345678"}, "x", 10)), {"Number"}, msg)) << msg;
    EXPECT_NE(cursor.Rows()[0]->Id, id);
    EXPECT_EQ(cursor.Rows()[1]->Id, id);
}

// Reading a large table again keeps every identity, whether its codes rise or not, and lets
// the rows held go before the block is read.
TEST_F(CursorTest, ALargeTableReadAgainKeepsItsIdentities) {
    constexpr int kRows = 200000;
    for (const bool rising : {true, false}) {
        SCOPED_TRACE(rising ? "rising codes" : "falling codes");
        auto block = [&](const std::string& other) {
            TVolgaCursor c;
            c.AddField("Number", TVolgaFieldKind::SmallStr, 8);
            c.AddField("Other", TVolgaFieldKind::SmallStr, 8);
            std::string msg;
            for (int i = 0; i < kRows; ++i) {
                TVolgaRowBuffer b = c.NewBuffer();
                char code[16];
                std::snprintf(code, sizeof code, "%08d", rising ? i : kRows - i);
                SetValueBytes(b, c.Fields()[0], code);
                SetValueBytes(b, c.Fields()[1], i == kRows / 2 ? other : "x");
                c.PostRow(b, nullptr, msg);
            }
            std::string out;
            c.SaveToStream(out);
            return out;
        };
        TVolgaCursor cursor;
        std::string msg;
        ASSERT_TRUE(cursor.LoadFromStream(block("x"), msg));
        std::vector<uint32_t> before;
        for (const TVolgaRow* row : cursor.Rows()) before.push_back(row->Id);
        const TRecordCodes held = cursor.HoldCodes({"Number"});
        EXPECT_TRUE(cursor.Rows().empty());
        EXPECT_EQ(held.rising, rising);
        ASSERT_TRUE(cursor.Reload(TBlockBytes::Copy(block("y")), held, {"Number"}, msg)) << msg;
        ASSERT_EQ(cursor.Rows().size(), before.size());
        for (size_t i = 0; i < before.size(); ++i) {
            ASSERT_EQ(cursor.Rows()[i]->Id, before[i]) << i;
            ASSERT_EQ(cursor.RowById(before[i]), cursor.Rows()[i]);
        }
        EXPECT_EQ(cursor.FieldBytes(*cursor.Rows()[kRows / 2], cursor.Fields()[1]), "y");
    }
}

TEST_F(CursorTest, APasswordTableWithoutAFittingPasswordDoesNotOpen) {
    std::string msg;
    TVolgaCursor c;
    EXPECT_FALSE(c.LoadFromStream(FromHex(kPasswordHex), msg));
    EXPECT_EQ(msg, "Invalid password. Table cannot be open");
    EXPECT_EQ(c.FieldCount(), 0);
    int asked = 0;
    VolgaSession().SetPasswordPrompt([&](std::string& text) {
        text = ++asked == 1 ? "nope" : "heslo";
        return true;
    });
    EXPECT_TRUE(c.LoadFromStream(FromHex(kPasswordHex), msg)) << msg;
    EXPECT_EQ(asked, 2);
}

TEST_F(CursorTest, EveryFieldKindSurvivesARoundTrip) {
    TVolgaCursor c;
    const std::vector<std::pair<TVolgaFieldKind, int>> kinds = {
        {TVolgaFieldKind::SmallInt, 0}, {TVolgaFieldKind::Integer, 0},  {TVolgaFieldKind::Int64, 0},
        {TVolgaFieldKind::Boolean, 0},  {TVolgaFieldKind::Double, 0},   {TVolgaFieldKind::Currency, 0},
        {TVolgaFieldKind::Date, 0},     {TVolgaFieldKind::Time, 0},     {TVolgaFieldKind::DateTime, 0},
        {TVolgaFieldKind::AutoInc, 0},  {TVolgaFieldKind::SmallStr, 1}, {TVolgaFieldKind::SmallStr, 35},
        {TVolgaFieldKind::String, 36},  {TVolgaFieldKind::BLOB, 0},     {TVolgaFieldKind::Memo, 0},
        {TVolgaFieldKind::FmtMemo, 0},  {TVolgaFieldKind::Graphic, 0},  {TVolgaFieldKind::Unknown, 0}};
    for (size_t i = 0; i < kinds.size(); ++i) c.AddField("F" + std::to_string(i), kinds[i].first, kinds[i].second);
    TVolgaRowBuffer b = c.NewBuffer();
    const auto& f = c.Fields();
    SetFixed<int16_t>(b, f[0], -7);
    SetFixed<int32_t>(b, f[1], -123456);
    SetFixed<int64_t>(b, f[2], -(int64_t(1) << 40));
    SetFixed<int16_t>(b, f[3], -1);
    SetFixed<double>(b, f[4], 3.25);
    SetFixed<double>(b, f[5], -0.01);
    SetFixed<int32_t>(b, f[6], 730120);
    SetFixed<int32_t>(b, f[7], 3600000);
    SetFixed<double>(b, f[8], DateTimeToMSecs(EncodeDate(2026, 12, 10) + 0.75));
    SetValueBytes(b, f[10], "x");
    SetValueBytes(b, f[11], std::string(35, 'y'));
    SetValueBytes(b, f[12], std::string(36, 'z'));
    SetValueBytes(b, f[13], std::string("\0\1\2\xff", 4));
    SetValueBytes(b, f[14], "memo\r\ntext");
    SetValueBytes(b, f[15], "{\\rtf1}");
    SetValueBytes(b, f[16], "GIF89a");
    std::string msg;
    ASSERT_NE(c.PostRow(b, nullptr, msg), nullptr);
    std::string block;
    c.SaveToStream(block);
    EXPECT_NE(block.find("XXX.F10 1\x12XXX.F11 Z\x12XXX.F12 s36\x12"), std::string::npos);
    EXPECT_NE(block.find("XXX.F17 s\x12\x14"), std::string::npos);

    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(block, msg)) << msg;
    ASSERT_EQ(back.FieldCount(), 18);
    const TVolgaRowBuffer r = back.Decode(*back.Rows()[0]);
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(back.Fields()[static_cast<size_t>(i)].Kind, f[static_cast<size_t>(i)].Kind) << i;
        EXPECT_EQ(ValueBytes(r, back.Fields()[static_cast<size_t>(i)]), ValueBytes(c.Decode(*c.Rows()[0]), f[static_cast<size_t>(i)])) << i;
    }
    EXPECT_EQ(back.Fields()[17].Kind, TVolgaFieldKind::String); // an unknown kind reads back as String 100
    EXPECT_EQ(back.Fields()[17].Size, 100);
    EXPECT_EQ(GetFixed<int32_t>(r, back.Fields()[9]), 1);
}

// A damaged file gets its message, leaves the cursor empty and reads nothing outside the block.
TEST_F(CursorTest, DamagedFilesAreRefusedWithTheirMessages) {
    const std::string good = FromHex(kPlainHex);
    const size_t descAt = 17, rowsAt = descAt + 0x62 + 5; // after the notes
    auto with = [&](size_t at, std::string bytes) {
        std::string b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    auto int32 = [](int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    struct Case { std::string name, block, message; };
    const std::vector<Case> cases = {
        {"empty", "", "Buffer structure corruption!"},
        {"kind", with(4, "X"), "Buffer structure corruption!"},
        {"error block", std::string("\0\0\0\0E", 5) + "Table is locked" + std::string(1, '\0') + "x", "Table is locked"},
        {"long description", with(13, int32(100000)), "Buffer structure corruption!"},
        {"description past the end", with(13, int32(0x7fff)), "Buffer structure corruption!"},
        {"negative description", with(13, int32(-4)), "Buffer structure corruption!"},
        {"header cut", good.substr(0, 40), "Buffer structure corruption!"},
        {"no fields", with(9, int32(0)), "Error in buffer structure (field description section)"},
        {"more fields than entries", with(9, int32(8)), "Error in buffer structure (field description section)"},
        {"size character 0", with(descAt + 11, "0"), "Error in buffer structure (field description section)"},
        {"size character !", with(descAt + 11, "!"), "Error in buffer structure (field description section)"},
        {"empty entry", with(descAt + 12, "\x12\x12"), "Error in buffer structure (field description section)"},
        {"wrong length", with(rowsAt + 3, "\x05"), "Field 'Count' has wrong length 5 in record 1"},
        {"pointer length", with(rowsAt + 2, "\x03"), "Field 'First_Name' has wrong length 3 in record 1"},
        {"small string too long", with(rowsAt + 0, "\x09"), "Field 'Number' has wrong length 9 in record 1"},
        {"string count", with(rowsAt + 7 + 8 + 13, int32(9000)), "String field 'First_Name' has wrong length 9000 in record 1"},
        {"string count negative", with(rowsAt + 7 + 8 + 13, int32(-1)), "String field 'First_Name' has wrong length -1 in record 1"},
        {"string past the end", with(rowsAt + 7 + 8 + 13, int32(8000)), "Unexpected end of buffer"},
        {"last row missing", good.substr(0, good.size() - 15), "Number of records read (1) does not match declared record count (2)"},
        {"inside a row", good.substr(0, rowsAt + 20), "Unexpected end of buffer"},
        {"inside the last row", good.substr(0, good.size() - 3), "Unexpected end of buffer"},
        {"notes past the end", with(rowsAt - 4, "\xff\xff"), "Unexpected end of buffer"},
        {"more declared", with(5, int32(3)), "Number of records read (2) does not match declared record count (3)"},
        {"huge declared", with(5, int32(0x7fffffff)), "Number of records read (2) does not match declared record count (2147483647)"},
    };
    for (const Case& c : cases) {
        TVolgaCursor cursor;
        std::string msg;
        EXPECT_FALSE(cursor.LoadFromStream(c.block, msg)) << c.name;
        EXPECT_EQ(msg, c.message) << c.name;
        EXPECT_EQ(cursor.FieldCount(), 0) << c.name;
        EXPECT_TRUE(cursor.Rows().empty()) << c.name;
    }
}

// Rows of many layouts read back value for value, wherever their texts and objects lie among
// the fields; a wrong length in a row amid the others is told by its field and record.
TEST_F(CursorTest, RowsOfEveryLayoutReadBackValueForValue) {
    const TVolgaFieldKind fixedKinds[] = {TVolgaFieldKind::SmallStr, TVolgaFieldKind::Integer, TVolgaFieldKind::Double,
                                          TVolgaFieldKind::Date, TVolgaFieldKind::SmallInt};
    struct Layout {
        int fields;
        std::vector<int> counted; // fields holding a count and bytes
    };
    const std::vector<Layout> layouts = {{1, {}},     {1, {0}},         {15, {14}},        {16, {0, 15}},
                                         {17, {16}},  {33, {9, 13}},    {40, {15, 16, 39}}, {70, {3, 31, 32, 64}}};
    std::mt19937 rng(5);
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.fields) + " fields");
        TVolgaCursor c;
        for (int i = 0; i < layout.fields; ++i) {
            const bool counted = std::find(layout.counted.begin(), layout.counted.end(), i) != layout.counted.end();
            const TVolgaFieldKind kind = counted ? (i % 2 ? TVolgaFieldKind::String : TVolgaFieldKind::Memo) : fixedKinds[i % 5];
            c.AddField("F" + std::to_string(i), kind, kind == TVolgaFieldKind::SmallStr ? 1 + i % 35 : kind == TVolgaFieldKind::String ? 300 : 0);
        }
        std::vector<TVolgaRowBuffer> posted;
        std::string msg;
        for (int r = 0; r < 300; ++r) {
            TVolgaRowBuffer b = c.NewBuffer();
            for (const TVolgaField& f : c.Fields()) {
                if (rng() % 3 == 0) continue; // left empty
                if (f.Kind == TVolgaFieldKind::SmallStr)
                    SetValueBytes(b, f, std::string(1 + rng() % f.Size, static_cast<char>('a' + rng() % 26)));
                else if (f.Kind == TVolgaFieldKind::String || f.Kind == TVolgaFieldKind::Memo)
                    SetValueBytes(b, f, std::string(1 + rng() % 280, static_cast<char>('A' + rng() % 26)));
                else if (f.Kind == TVolgaFieldKind::Double)
                    SetFixed<double>(b, f, 0.5 + rng() % 1000);
                else if (f.Kind == TVolgaFieldKind::SmallInt)
                    SetFixed<int16_t>(b, f, static_cast<int16_t>(1 + rng() % 300));
                else
                    SetFixed<int32_t>(b, f, static_cast<int32_t>(1 + rng() % 100000));
            }
            posted.push_back(c.Decode(*c.PostRow(b, nullptr, msg)));
        }
        std::string block;
        c.SaveToStream(block);
        TVolgaCursor back;
        ASSERT_TRUE(back.LoadFromStream(block, msg)) << msg;
        ASSERT_EQ(back.Rows().size(), posted.size());
        for (size_t r = 0; r < posted.size(); ++r) {
            const TVolgaRowBuffer got = back.Decode(*back.Rows()[r]);
            for (const TVolgaField& f : back.Fields())
                ASSERT_EQ(ValueBytes(got, f), ValueBytes(posted[r], f)) << "record " << r + 1 << ", " << f.Name;
        }
        // The last field's length made too long in record 150.
        size_t at = block.size();
        for (size_t r = back.Rows().size(); r-- > 149;) at -= back.Rows()[r]->Bytes.size;
        const TVolgaField& last = back.Fields().back();
        const int limit = last.Kind == TVolgaFieldKind::SmallStr ? last.Size : last.ValueSize;
        const bool counted = std::find(layout.counted.begin(), layout.counted.end(), layout.fields - 1) != layout.counted.end();
        block[at + static_cast<size_t>(layout.fields - 1)] = static_cast<char>(counted ? 5 : limit + 1);
        TVolgaCursor bad;
        EXPECT_FALSE(bad.LoadFromStream(block, msg));
        EXPECT_EQ(msg, "Field '" + last.Name + "' has wrong length " + std::to_string(counted ? 5 : limit + 1) + " in record 150");
    }
}

TEST_F(CursorTest, BlobCountsAreCheckedBeforeAnythingIsAllocated) {
    TVolgaCursor c;
    c.AddField("Pic", TVolgaFieldKind::Graphic);
    TVolgaRowBuffer b = c.NewBuffer();
    SetValueBytes(b, c.Fields()[0], "abc");
    std::string msg;
    c.PostRow(b, nullptr, msg);
    std::string block;
    c.SaveToStream(block);
    const size_t countAt = block.size() - 7;
    for (auto [count, message] : {std::pair{int32_t(0x40000000), "BLOB field 'Pic' has wrong length 1073741824 in record 1"},
                                  std::pair{int32_t(0x3FFFFFFF), "Unexpected end of buffer"}}) {
        std::string bad = block;
        bad.replace(countAt, 4, std::string(reinterpret_cast<const char*>(&count), 4));
        TVolgaCursor back;
        EXPECT_FALSE(back.LoadFromStream(bad, msg));
        EXPECT_EQ(msg, message);
    }
}

TEST_F(CursorTest, PartialOpenKeepsTheRowsReadButNeverGoesOnWithoutAFieldList) {
    const std::string good = FromHex(kPlainHex);
    TVolgaCursor c;
    c.SetPartialOpen(true);
    std::string msg;
    EXPECT_TRUE(c.LoadFromStream(good.substr(0, good.size() - 15), msg));
    EXPECT_EQ(msg, "Number of records read (1) does not match declared record count (2)");
    EXPECT_EQ(c.Rows().size(), 1u);
    std::string badHeader = good;
    badHeader[17 + 11] = '!';
    EXPECT_FALSE(c.LoadFromStream(badHeader, msg));
    EXPECT_EQ(c.FieldCount(), 0);
}

TEST_F(CursorTest, ChangeStatesThroughPostDeleteRollBackAndAccept) {
    TVolgaCursor c;
    DefineSmallTable(c);
    FillSmallTable(c);
    std::string msg;
    TVolgaRow* first = c.Rows()[0];
    TVolgaRow* second = c.Rows()[1];
    ASSERT_TRUE(c.BackupRow(first));
    TVolgaRowBuffer edited = c.Decode(*first);
    SetFixed<int32_t>(edited, F(c, "Count"), 7);
    EXPECT_EQ(c.PostRow(edited, first, msg), first);
    EXPECT_EQ(first->State, rsModified);
    ASSERT_TRUE(c.DeleteRow(second, msg));
    EXPECT_EQ(second->State, rsDeleted);
    EXPECT_FALSE(c.DeleteRow(second, msg));
    EXPECT_EQ(msg, "Record has been deleted");
    EXPECT_FALSE(c.BackupRow(second));
    TVolgaRow* added = c.PostRow(c.NewBuffer(), nullptr, msg);
    EXPECT_EQ(added->State, rsInserted);
    TVolgaRow stranger;
    EXPECT_EQ(c.PostRow(edited, &stranger, msg), nullptr);
    EXPECT_EQ(msg, "Record is not found");

    // Deleted rows are not written, and the count says what was written.
    std::string block;
    c.SaveToStream(block);
    TVolgaCursor written;
    ASSERT_TRUE(written.LoadFromStream(block, msg)) << msg;
    EXPECT_EQ(written.Rows().size(), 2u);

    c.RollBack();
    EXPECT_EQ(first->State, rsUnchanged);
    EXPECT_EQ(GetFixed<int32_t>(c.Decode(*first), F(c, "Count")), 42);
    EXPECT_EQ(second->State, rsUnchanged);
    EXPECT_EQ(added->State, rsRemoved);
    EXPECT_EQ(c.LiveRowCount(), 2);

    c.DeleteRow(second, msg);
    c.Accept();
    EXPECT_EQ(second->State, rsRemoved);
    EXPECT_EQ(c.LiveRowCount(), 1);
}

TEST_F(CursorTest, AutoIncRowsAreHeldInOrderAndTheCounterGoesOn) {
    TVolgaCursor c;
    c.AddField("Id", TVolgaFieldKind::AutoInc);
    c.AddField("Name", TVolgaFieldKind::SmallStr, 10);
    std::string msg;
    for (int i = 0; i < 3; ++i) c.PostRow(c.NewBuffer(), nullptr, msg);
    // Stored out of order: 3, 1, 2.
    std::rotate(const_cast<std::vector<TVolgaRow*>&>(c.Rows()).begin(),
                const_cast<std::vector<TVolgaRow*>&>(c.Rows()).begin() + 2,
                const_cast<std::vector<TVolgaRow*>&>(c.Rows()).end());
    std::string block;
    c.SaveToStream(block);
    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(block, msg));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(GetFixed<int32_t>(back.Decode(*back.Rows()[static_cast<size_t>(i)]), back.Fields()[0]), i + 1);
    TVolgaRow* next = back.PostRow(back.NewBuffer(), nullptr, msg);
    EXPECT_EQ(GetFixed<int32_t>(back.Decode(*next), back.Fields()[0]), 4);
}

// Read again, rows held in the order of their counter keep their identities by their codes
// when another computer has numbered them anew, in the order the counter gives them.
TEST_F(CursorTest, AutoIncRowsReadAgainKeepTheIdentitiesOfTheirCodes) {
    // Rows n1, n2, n3 in this order in the file, numbered as given.
    auto block = [](std::vector<int32_t> numbers) {
        TVolgaCursor c;
        c.AddField("Id", TVolgaFieldKind::AutoInc);
        c.AddField("Name", TVolgaFieldKind::SmallStr, 8);
        std::string msg, out;
        for (int i = 0; i < 3; ++i) {
            TVolgaRowBuffer b = c.NewBuffer();
            SetValueBytes(b, c.Fields()[1], "n" + std::to_string(i + 1));
            c.PostRow(b, nullptr, msg);
        }
        c.SaveToStream(out);
        // Each row: two lengths, the number, two characters.
        for (size_t i = 0; i < 3; ++i) WriteLE<int32_t>(out.data() + out.size() - 24 + 8 * i + 2, numbers[i]);
        return out;
    };
    TVolgaCursor c;
    std::string msg;
    ASSERT_TRUE(c.LoadFromStream(block({1, 2, 3}), msg)) << msg;
    std::map<std::string, uint32_t> before;
    for (const TVolgaRow* row : c.Rows()) before[std::string(c.FieldBytes(*row, c.Fields()[1]))] = row->Id;
    ASSERT_TRUE(c.Reload(TBlockBytes::Copy(block({3, 1, 2})), {"Name"}, msg)) << msg;
    std::vector<std::string> order;
    for (const TVolgaRow* row : c.Rows()) {
        const std::string name(c.FieldBytes(*row, c.Fields()[1]));
        order.push_back(name);
        EXPECT_EQ(row->Id, before.at(name)) << name;
    }
    EXPECT_EQ(order, (std::vector<std::string>{"n2", "n3", "n1"}));
}

TEST_F(CursorTest, LimitsOfTheFileFormatAreRefusedWhenSetNotWhenRead) {
    TVolgaCursor c;
    EXPECT_THROW(c.AddField("Long", TVolgaFieldKind::String, 9000), std::invalid_argument);
    EXPECT_THROW(c.AddField("Small", TVolgaFieldKind::SmallStr, 0), std::invalid_argument);
    EXPECT_THROW(c.SetNotes(std::string(32768, 'n')), std::invalid_argument);
    c.SetNotes(std::string(32767, 'n'));
    const TVolgaField& text = c.AddField("Text", TVolgaFieldKind::String, 8191);
    TVolgaRowBuffer b = c.NewBuffer();
    SetValueBytes(b, text, std::string(8192, 'x'));
    std::string msg;
    EXPECT_EQ(c.PostRow(b, nullptr, msg), nullptr);
    EXPECT_EQ(msg, "String field 'Text' cannot hold more than 8191 bytes");
    SetValueBytes(b, text, std::string(8191, 'x'));
    ASSERT_NE(c.PostRow(b, nullptr, msg), nullptr);
    std::string block;
    c.SaveToStream(block);
    TVolgaCursor back;
    EXPECT_TRUE(back.LoadFromStream(block, msg)) << msg;
    EXPECT_EQ(back.Notes().size(), 32767u);
}

TEST_F(CursorTest, SavingKeepsTheOldFileAsACopyAndCanSortFirst) {
    TempFolder dir;
    const auto file = dir.path() / "Jano_owners.d";
    TVolgaCursor c;
    c.AddField("Name", TVolgaFieldKind::SmallStr, 20);
    std::string msg;
    for (const char* name : {"beta", "Alfa", "čaj", "Delta", ""}) {
        TVolgaRowBuffer b = c.NewBuffer();
        SetValueBytes(b, c.Fields()[0], Utf8ToCodePage(name, 1250));
        c.PostRow(b, nullptr, msg);
    }
    c.SaveToFile(file, savAutoBackup);
    EXPECT_FALSE(fs::exists(dir.path() / "Jano_owners.~d")); // nothing to keep yet
    const std::string first = ReadWholeFile(file);
    c.SaveToFile(file, savAutoBackup | savSortOnIndex, "Name", true);
    EXPECT_EQ(ReadWholeFile(dir.path() / "Jano_owners.~d"), first);
    std::vector<std::string> order;
    for (const auto& r : c.Rows()) order.push_back(CodePageToUtf8(ValueBytes(c.Decode(*r), c.Fields()[0]), 1250));
    EXPECT_EQ(order, (std::vector<std::string>{"", "Alfa", "beta", "čaj", "Delta"}));
    c.SortRows("Name", false); // byte order: upper case first
    EXPECT_EQ(CodePageToUtf8(ValueBytes(c.Decode(*c.Rows()[1]), c.Fields()[0]), 1250), "Alfa");
    EXPECT_EQ(CodePageToUtf8(ValueBytes(c.Decode(*c.Rows()[2]), c.Fields()[0]), 1250), "Delta");
    EXPECT_THROW(c.SaveToFile(dir.path() / "missing" / "x.d"), FileError);
}

TEST_F(CursorTest, ComparisonsOrderAsTheEngineAlwaysHas) {
    TVolgaCursor c;
    const TVolgaField& flag = c.AddField("Flag", TVolgaFieldKind::Boolean);
    const TVolgaField& code = c.AddField("Code", TVolgaFieldKind::SmallStr, 10);
    const TVolgaField& memo = c.AddField("Memo", TVolgaFieldKind::Memo);
    const TVolgaField& pic = c.AddField("Pic", TVolgaFieldKind::Graphic);
    TVolgaRowBuffer a = c.NewBuffer(), b = c.NewBuffer();
    SetFixed<int16_t>(a, flag, 1);
    EXPECT_LT(CompareFieldValues(flag, a, b, false, 1250), 0); // true before false
    SetValueBytes(a, code, "9");
    SetValueBytes(b, code, "10");
    EXPECT_GT(CompareFieldValues(code, a, b, false, 1250), 0);
    TVolgaField numeric = code;
    numeric.Numeric = 1; // right-aligned keys compare by length first
    EXPECT_LT(CompareFieldValues(numeric, a, b, false, 1250), 0);
    SetValueBytes(b, memo, "x");
    EXPECT_LT(CompareFieldValues(memo, a, b, false, 1250), 0); // empty first
    SetValueBytes(a, pic, "a");
    SetValueBytes(b, pic, "b");
    EXPECT_EQ(CompareFieldValues(pic, a, b, false, 1250), 0);
    EXPECT_EQ(CompareTexts("ABC", "abc", true, 1250), 0);
    EXPECT_LT(CompareTexts("ab", "abc", true, 1250), 0);
    EXPECT_LT(CompareTexts("ABC", "abc", false, 1250), 0);

    std::string msg;
    TVolgaRow* mine = c.PostRow(a, nullptr, msg);
    EXPECT_FALSE(c.HasDuplicate(a, mine, "Code"));
    c.PostRow(b, nullptr, msg);
    TVolgaRowBuffer probe = c.NewBuffer();
    SetValueBytes(probe, code, "10");
    EXPECT_TRUE(c.HasDuplicate(probe, nullptr, "Code"));
    c.DeleteRow(c.Rows()[1], msg);
    EXPECT_FALSE(c.HasDuplicate(probe, nullptr, "Code"));
}

TEST_F(CursorTest, NotesOfATableWithoutRowsAreKeptWhateverItsFieldCount) {
    TVolgaCursor c;
    for (const char* name : {"A", "B", "C", "D", "E", "F"}) c.AddField(name, TVolgaFieldKind::Integer);
    c.SetNotes("ok");
    std::string block, msg;
    c.SaveToStream(block);
    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(block, msg)) << msg;
    EXPECT_EQ(back.Notes(), "ok");
    std::string again;
    back.SaveToStream(again);
    EXPECT_EQ(again, block);
}

TEST_F(CursorTest, RowsStoredOtherwiseThanTheWriterStoresThemReadAlikeAndAreKeptAsTheyAre) {
    TVolgaCursor c;
    const TVolgaField& n = c.AddField("N", TVolgaFieldKind::Integer);
    const TVolgaField& s = c.AddField("S", TVolgaFieldKind::String, 20);
    TVolgaRowBuffer b = c.NewBuffer();
    SetFixed<int32_t>(b, n, 0x0102);
    SetValueBytes(b, s, "ab");
    std::string msg;
    c.PostRow(b, nullptr, msg);
    std::string canonical;
    c.SaveToStream(canonical);
    // The same row with the number in two bytes and the text followed by a zero and more.
    const size_t rowAt = canonical.size() - (2 + 4 + 4 + 2);
    std::string odd = canonical.substr(0, rowAt) + std::string("\x02\x04\x02\x01\x04\x00\x00\x00" "ab\0z", 12);
    WriteLE<int32_t>(odd.data(), static_cast<int32_t>(odd.size()));
    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(odd, msg)) << msg;
    EXPECT_EQ(FixedOf<int32_t>(back.FieldBytes(*back.Rows()[0], n)), 0x0102);
    EXPECT_EQ(back.FieldBytes(*back.Rows()[0], s), "ab");
    EXPECT_EQ(ValueBytes(back.Decode(*back.Rows()[0]), s), "ab");
    std::string again;
    back.SaveToStream(again);
    EXPECT_EQ(ToHex(again), ToHex(odd));
    // Once changed, the row is stored the writer's way.
    std::string msg2;
    back.BackupRow(back.Rows()[0]);
    back.PostRow(back.Decode(*back.Rows()[0]), back.Rows()[0], msg2);
    again.clear();
    back.SaveToStream(again);
    EXPECT_EQ(ToHex(again), ToHex(canonical));
}

// A short text a file holds ends at its first zero byte, wherever that lies and whether other
// values follow it in the row or not.
TEST_F(CursorTest, AShortTextEndsAtItsFirstZeroByte) {
    for (const bool last : {false, true}) {
        for (const size_t length : {1, 7, 8, 9, 16, 20}) {
            for (const size_t zero : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(15), length - 1, length}) {
                if (zero > length) continue;
                SCOPED_TRACE(std::to_string(length) + " bytes, zero at " + std::to_string(zero) + (last ? ", last" : ""));
                TVolgaCursor c;
                if (last) c.AddField("T", TVolgaFieldKind::SmallStr, 20);
                const TVolgaField& text = c.AddField("S", TVolgaFieldKind::SmallStr, 20);
                if (!last) c.AddField("T", TVolgaFieldKind::SmallStr, 20);
                TVolgaRowBuffer b = c.NewBuffer();
                SetValueBytes(b, text, std::string(length, 'a'));
                SetValueBytes(b, *c.FindField("T"), "q");
                std::string msg, block;
                c.PostRow(b, nullptr, msg);
                c.SaveToStream(block);
                // The row ends the block: two lengths, then the values in field order.
                const size_t textAt = block.size() - (last ? length : length + 1);
                if (zero < length) block[textAt + zero] = '\0';
                TVolgaCursor back;
                ASSERT_TRUE(back.LoadFromStream(block, msg)) << msg;
                EXPECT_EQ(back.FieldBytes(*back.Rows()[0], *back.FindField("S")), std::string(zero, 'a'));
                EXPECT_EQ(back.FieldBytes(*back.Rows()[0], *back.FindField("T")), "q");
            }
        }
    }
}

TEST_F(CursorTest, PreparedSortKeysOrderAsTheComparisonDoes) {
    TVolgaCursor c;
    const TVolgaField& name = c.AddField("Name", TVolgaFieldKind::SmallStr, 12);
    const TVolgaField& memo = c.AddField("Memo", TVolgaFieldKind::Memo);
    const TVolgaField& day = c.AddField("Day", TVolgaFieldKind::Date);
    const TVolgaField& amount = c.AddField("Amount", TVolgaFieldKind::Double);
    const TVolgaField& small = c.AddField("Small", TVolgaFieldKind::SmallInt);
    const TVolgaField& flag = c.AddField("Flag", TVolgaFieldKind::Boolean);
    const TVolgaField& big = c.AddField("Big", TVolgaFieldKind::Int64);
    std::mt19937 rng(11);
    const char* const texts[] = {"", "a", "A", "ab", "Ab", "b", "č", "Č", "c", "d", "ab\x01", "10", "9", "ž"};
    std::string msg;
    for (int i = 0; i < 400; ++i) {
        TVolgaRowBuffer b = c.NewBuffer();
        SetValueBytes(b, name, Utf8ToCodePage(texts[rng() % std::size(texts)], 1250));
        SetValueBytes(b, memo, std::string(texts[rng() % std::size(texts)]) + std::string(rng() % 2, '\0'));
        SetFixed<int32_t>(b, day, static_cast<int32_t>(rng() % 5) - 2);
        const double amounts[] = {0.0, -0.0, -1.5, 2.25, -1e300, 1e-300};
        SetFixed<double>(b, amount, amounts[rng() % std::size(amounts)]);
        SetFixed<int16_t>(b, small, static_cast<int16_t>(static_cast<int>(rng() % 7) - 3));
        SetFixed<int16_t>(b, flag, static_cast<int16_t>(rng() % 2));
        SetFixed<int64_t>(b, big, static_cast<int64_t>(rng() % 5) - 2);
        c.PostRow(b, nullptr, msg);
    }
    const std::vector<std::vector<TSortKey>> sorts = {
        {{&name, false, false}},
        {{&name, false, true}, {&day, true, false}},
        {{&memo, true, false}, {&amount, false, false}},
        {{&flag, false, false}, {&small, true, false}, {&big, false, false}, {&name, false, false}},
        {{&day, false, false}, {&amount, true, false}, {&memo, false, false}},
    };
    for (bool ci : {false, true}) {
        for (size_t k = 0; k < sorts.size(); ++k) {
            std::vector<TVolgaRow*> byKeys = c.Rows(), byComparison = c.Rows();
            SortRowsByKeys(c, byKeys, sorts[k], ci);
            std::stable_sort(byComparison.begin(), byComparison.end(), [&](const TVolgaRow* a, const TVolgaRow* b) {
                for (const TSortKey& key : sorts[k]) {
                    TVolgaField f = *key.Field;
                    f.Numeric = key.Numeric ? 1 : 0;
                    const int d = CompareValues(f, c.FieldBytes(*a, f), c.FieldBytes(*b, f), ci, 1250);
                    if (d != 0) return key.Descending ? d > 0 : d < 0;
                }
                return false;
            });
            EXPECT_EQ(byKeys, byComparison) << "sort " << k << (ci ? " ignoring case" : "");
        }
    }
}

TEST_F(CursorTest, ARowCostsLittleMoreThanTheBytesItTakesInTheFile) {
    // Rows of empty fields take a byte a field in the file, however wide the fields are.
    TVolgaCursor c;
    for (int i = 0; i < 20; ++i) c.AddField("F" + std::to_string(i), TVolgaFieldKind::SmallStr, 35);
    std::string msg;
    constexpr int kRows = 50000;
    for (int i = 0; i < kRows; ++i) c.PostRow(c.NewBuffer(), nullptr, msg);
    std::string block;
    c.SaveToStream(block);
    c.Clear(true);
    const size_t before = mallinfo2().uordblks;
    TVolgaCursor back;
    ASSERT_TRUE(back.LoadFromStream(std::move(block), msg)) << msg;
    const size_t used = mallinfo2().uordblks - before;
    EXPECT_EQ(back.Rows().size(), static_cast<size_t>(kRows));
    EXPECT_LT(used, 20u * kRows + 80u * kRows); // the bytes, and a row's place in the lists
}

TEST_F(CursorTest, FieldTextInTheLocaleAndFixedForms) {
    TVolgaCursor c;
    c.SetFormatSettings(FormatSettings::ForLanguage(2));
    const TVolgaField& d = c.AddField("D", TVolgaFieldKind::Date);
    const TVolgaField& t = c.AddField("T", TVolgaFieldKind::Time);
    const TVolgaField& dt = c.AddField("DT", TVolgaFieldKind::DateTime);
    const TVolgaField& x = c.AddField("X", TVolgaFieldKind::Double);
    const TVolgaField& blob = c.AddField("B", TVolgaFieldKind::BLOB);
    TVolgaRowBuffer b = c.NewBuffer();
    SetFixed<int32_t>(b, d, DateTimeToTimeStamp(EncodeDate(2026, 3, 7)).Date);
    SetFixed<int32_t>(b, t, 9 * 3600000 + 5 * 60000);
    SetFixed<double>(b, dt, DateTimeToMSecs(EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 3, 0)));
    SetFixed<double>(b, x, 0.1234567);
    std::string msg;
    const TVolgaRow& row = *c.PostRow(b, nullptr, msg);
    EXPECT_EQ(c.FieldText(d, row, false, false), "7.3.2026");
    EXPECT_EQ(c.FieldText(t, row, false, false), "9:05:00");
    EXPECT_EQ(c.FieldText(dt, row, false, true), "2026/03/07 09:05:03");
    EXPECT_EQ(c.FieldText(dt, row, false, false), "7.3.2026 9:05:03");
    EXPECT_EQ(c.FieldText(x, row, false, false), "0,123457");
    EXPECT_EQ(c.FieldText(blob, row, false, false), "Not Found");
}

} // namespace
} // namespace kvz
