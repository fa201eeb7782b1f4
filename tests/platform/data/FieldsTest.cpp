// Fields: conversions, refusals of values a field cannot hold, texts; streams; values.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "TinyDataSet.h"

using namespace kvz;
using kvz::test::TTinyDataSet;

namespace {

class FieldsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ds.FieldDefs().Add("S", ftString, 5);
        ds.FieldDefs().Add("Small", ftSmallint);
        ds.FieldDefs().Add("W", ftWord);
        ds.FieldDefs().Add("I", ftInteger);
        ds.FieldDefs().Add("L", ftLargeint);
        ds.FieldDefs().Add("B", ftBoolean);
        ds.FieldDefs().Add("F", ftFloat);
        ds.FieldDefs().Add("C", ftCurrency);
        ds.FieldDefs().Add("D", ftDate);
        ds.FieldDefs().Add("T", ftTime);
        ds.FieldDefs().Add("DT", ftDateTime);
        ds.FieldDefs().Add("A", ftAutoInc);
        ds.FieldDefs().Add("Blob", ftBlob);
        ds.FieldDefs().Add("Memo", ftMemo);
        ds.FieldDefs().Add("Fmt", ftFmtMemo);
        ds.FieldDefs().Add("G", ftGraphic);
        FormatSettings fs;
        fs.ShortDateFormat = "d.m.yyyy";
        fs.DateSeparator = ".";
        fs.DecimalSeparator = ",";
        fs.LongTimeFormat = "hh:nn:ss";
        ds.SetSettings(fs);
        ds.Open();
        ds.Append();
    }
    TField& F(const char* name) { return ds.FieldByName(name); }
    std::string Refusal(const char* field, const std::string& text) {
        try {
            F(field).SetAsString(text);
        } catch (const EDatabaseError& e) {
            return e.Message();
        }
        return "accepted";
    }
    TTinyDataSet ds;
};

TEST_F(FieldsFixture, EveryTypeHasItsClass) {
    EXPECT_NE(dynamic_cast<TStringField*>(&F("S")), nullptr);
    EXPECT_NE(dynamic_cast<TSmallintField*>(&F("Small")), nullptr);
    EXPECT_NE(dynamic_cast<TWordField*>(&F("W")), nullptr);
    EXPECT_NE(dynamic_cast<TLargeintField*>(&F("L")), nullptr);
    EXPECT_NE(dynamic_cast<TBooleanField*>(&F("B")), nullptr);
    EXPECT_NE(dynamic_cast<TCurrencyField*>(&F("C")), nullptr);
    EXPECT_NE(dynamic_cast<TDateField*>(&F("D")), nullptr);
    EXPECT_NE(dynamic_cast<TTimeField*>(&F("T")), nullptr);
    EXPECT_NE(dynamic_cast<TAutoIncField*>(&F("A")), nullptr);
    EXPECT_NE(dynamic_cast<TMemoField*>(&F("Memo")), nullptr);
    EXPECT_NE(dynamic_cast<TFmtMemoField*>(&F("Fmt")), nullptr);
    EXPECT_NE(dynamic_cast<TGraphicField*>(&F("G")), nullptr);
    EXPECT_TRUE(F("G").IsBlob());
    EXPECT_EQ(F("I").Alignment(), taRightJustify);
}

TEST_F(FieldsFixture, NullsReadAsZeroes) {
    EXPECT_TRUE(F("I").IsNull());
    EXPECT_EQ(F("I").AsInteger(), 0);
    EXPECT_EQ(F("I").AsString(), "");
    EXPECT_EQ(F("F").AsFloat(), 0.0);
    EXPECT_FALSE(F("B").AsBoolean());
    EXPECT_EQ(F("D").AsDateTime(), 0.0);
    EXPECT_TRUE(F("D").Value().IsNull());
    F("I").SetAsInteger(5);
    F("I").Clear();
    EXPECT_TRUE(F("I").IsNull());
}

TEST_F(FieldsFixture, StringsAreUtf8AndCountCharacters) {
    F("S").SetAsString("Žluť"); // 4 characters, 7 bytes
    EXPECT_EQ(F("S").AsString(), "Žluť");
    EXPECT_EQ(Refusal("S", "Žlutý kůň"), "The text for field 'S' is too long: 9 characters, at most 5 allowed");
    EXPECT_EQ(F("S").AsString(), "Žluť"); // unchanged
    EXPECT_EQ(Refusal("S", std::string("\xff\xfe")), "The text for field 'S' is not valid UTF-8");
    F("S").SetAsInteger(12);
    EXPECT_EQ(F("S").AsInteger(), 12);
}

TEST_F(FieldsFixture, IntegersKeepToTheirRange) {
    F("Small").SetAsString("-32768");
    EXPECT_EQ(F("Small").AsInteger(), -32768);
    EXPECT_EQ(Refusal("Small", "40000"), "40000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767");
    EXPECT_EQ(Refusal("W", "-1"), "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535");
    EXPECT_EQ(Refusal("I", "12a"), "'12a' is not a valid integer value for field 'I'");
    EXPECT_EQ(Refusal("I", "1,5"), "'1,5' is not a valid integer value for field 'I'");
    F("L").SetAsLargeInt(int64_t{1} << 40);
    EXPECT_EQ(F("L").AsLargeInt(), int64_t{1} << 40);
    EXPECT_THROW(F("L").AsInteger(), EDatabaseError);
    F("I").SetAsFloat(2.6);
    EXPECT_EQ(F("I").AsInteger(), 3);
    auto& i = static_cast<TIntegerField&>(F("I"));
    i.SetMinValue(1);
    i.SetMaxValue(9);
    EXPECT_EQ(Refusal("I", "10"), "10 is not a valid value for field 'I'. The allowed range is 1 to 9");
    F("I").SetAsString("");
    EXPECT_TRUE(F("I").IsNull());
}

TEST_F(FieldsFixture, FloatsUseTheDecimalSeparator) {
    F("F").SetAsString("3,25");
    EXPECT_DOUBLE_EQ(F("F").AsFloat(), 3.25);
    EXPECT_EQ(F("F").AsString(), "3,25");
    F("F").SetAsString("1.5");
    EXPECT_DOUBLE_EQ(F("F").AsFloat(), 1.5);
    EXPECT_EQ(Refusal("F", "abc"), "'abc' is not a valid floating point value for field 'F'");
    auto& f = static_cast<TFloatField&>(F("F"));
    f.SetDisplayFormat("0.00");
    EXPECT_EQ(F("F").DisplayText(), "1,50");
    F("C").SetAsFloat(1234.5);
    EXPECT_EQ(F("C").DisplayText(), "1,234,50 \xE2\x82\xAC");
    EXPECT_EQ(F("C").Text(), "1234,5");
}

TEST_F(FieldsFixture, BooleansAndTheirTexts) {
    F("B").SetAsString("true");
    EXPECT_TRUE(F("B").AsBoolean());
    EXPECT_EQ(F("B").AsString(), "True");
    auto& b = static_cast<TBooleanField&>(F("B"));
    b.SetDisplayValues("Ano;Nie");
    F("B").SetText("n");
    EXPECT_FALSE(F("B").AsBoolean());
    EXPECT_EQ(F("B").DisplayText(), "Nie");
    EXPECT_EQ(Refusal("B", "maybe"), "'maybe' is not a valid boolean value for field 'B'");
}

TEST_F(FieldsFixture, DatesAndTimesByTheSettings) {
    F("D").SetAsString("24.12.2024");
    EXPECT_EQ(F("D").AsDateTime(), EncodeDate(2024, 12, 24));
    EXPECT_EQ(F("D").AsString(), "24.12.2024");
    F("D").SetAsDateTime(EncodeDate(2020, 1, 2) + 0.5); // a date field keeps the date only
    EXPECT_EQ(F("D").AsDateTime(), EncodeDate(2020, 1, 2));
    F("T").SetAsString("13:45:10");
    EXPECT_EQ(F("T").AsString(), "13:45:10");
    F("DT").SetAsString("1.2.2003 04:05");
    EXPECT_DOUBLE_EQ(F("DT").AsDateTime(), EncodeDate(2003, 2, 1) + EncodeTime(4, 5, 0, 0));
    EXPECT_EQ(Refusal("D", "31.2.2020"), "'31.2.2020' is not a valid date for field 'D'");
    auto& d = static_cast<TDateTimeField&>(F("D"));
    d.SetDisplayFormat("yyyy-mm-dd");
    F("D").SetAsString("5.6.2021");
    EXPECT_EQ(F("D").DisplayText(), "2021-06-05");
    EXPECT_EQ(F("D").Text(), "5.6.2021");
}

TEST_F(FieldsFixture, TextEventsAndValidation) {
    F("S").OnGetText = [](TField& f, std::string& text, bool display) { text = (display ? "<" : "[") + f.AsString() + (display ? ">" : "]"); };
    F("S").OnSetText = [](TField& f, const std::string& text) { f.SetAsString(text.substr(0, 2)); };
    F("S").SetText("abcd");
    EXPECT_EQ(F("S").AsString(), "ab");
    EXPECT_EQ(F("S").DisplayText(), "<ab>");
    EXPECT_EQ(F("S").Text(), "[ab]");
    F("I").OnValidate = [](TField& f) {
        if (f.AsInteger() < 0) DatabaseError("No negatives");
    };
    F("I").SetAsInteger(4);
    EXPECT_THROW(F("I").SetAsInteger(-4), EDatabaseError);
    EXPECT_EQ(F("I").AsInteger(), 4);
    int changes = 0;
    F("I").OnChange = [&](TField&) { ++changes; };
    F("I").SetAsInteger(5);
    EXPECT_EQ(changes, 1);
}

TEST_F(FieldsFixture, BlobsAndMemos) {
    std::string bytes("\0\x01\xff", 3);
    F("Blob").SetValue(Variant(bytes));
    EXPECT_EQ(F("Blob").AsString(), bytes);
    EXPECT_EQ(static_cast<TBlobField&>(F("Blob")).BlobSize(), 3);
    EXPECT_EQ(F("Blob").DisplayText(), "(Blob)");
    F("Memo").SetAsString("řádek\nřádek");
    EXPECT_EQ(F("Memo").Text(), "řádek\nřádek");
    EXPECT_EQ(F("Memo").DisplayText(), "(Memo)");
    EXPECT_EQ(Refusal("Memo", std::string("\xc3")), "The text for field 'Memo' is not valid UTF-8");
    TempFolder tmp;
    static_cast<TBlobField&>(F("Blob")).SaveToFile(tmp.path() / "b.bin");
    F("Blob").Clear();
    static_cast<TBlobField&>(F("Blob")).LoadFromFile(tmp.path() / "b.bin");
    EXPECT_EQ(F("Blob").AsString(), bytes);
}

TEST_F(FieldsFixture, FieldListsAndPositions) {
    EXPECT_EQ(ds.FindField("small"), &F("Small"));
    EXPECT_EQ(ds.FindField("none"), nullptr);
    try {
        ds.FieldByName("none");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'none' not found");
    }
    F("I").SetIndex(0);
    EXPECT_EQ(ds.Fields()[0].FieldName(), "I");
    EXPECT_EQ(F("I").Index(), 0);
    EXPECT_EQ(F("S").Index(), 1);
    EXPECT_EQ(F("I").FieldNo(), 4); // the definition's number does not move
    F("S").SetAsString("x");
    F("I").SetAsInteger(2);
    EXPECT_EQ(ds.FieldValues("S;I"), Variant(std::vector<Variant>{Variant("x"), Variant(2)}));
    EXPECT_THROW(ds.FieldDefs().Add("s", ftString, 3), EDatabaseError);
}

TEST(Variant, Conversions) {
    EXPECT_EQ(Variant("12").AsInt64(), 12);
    EXPECT_DOUBLE_EQ(Variant("2.5").AsFloat(), 2.5);
    EXPECT_THROW(Variant("x").AsInt64(), EVariantError);
    EXPECT_TRUE(Variant("True").AsBoolean());
    EXPECT_EQ(Variant(int64_t{3}), Variant(3.0));
    EXPECT_EQ(Variant("3"), Variant(3));
    EXPECT_FALSE(Variant() == Variant(0));
    EXPECT_EQ(Variant::DateTime(EncodeDate(2001, 2, 3)).AsString(), "2001-02-03");
}

TEST(Streams, MemoryAndFile) {
    TMemoryStream m;
    m.WriteString("hello");
    EXPECT_EQ(m.Size(), 5);
    m.SetPosition(1);
    char buf[10] = {};
    EXPECT_EQ(m.Read(buf, 10), 4);
    EXPECT_STREQ(buf, "ello");
    m.Seek(-2, TSeekOrigin::soEnd);
    EXPECT_EQ(m.ReadAll(), "lo");
    TempFolder tmp;
    {
        TFileStream f(tmp.path() / "x.dat", fmCreate);
        f.CopyFrom(m, 0);
        EXPECT_EQ(f.Size(), 5);
    }
    TFileStream r(tmp.path() / "x.dat", fmOpenRead);
    EXPECT_EQ(r.ReadAll(), "hello");
    EXPECT_THROW(TFileStream(tmp.path() / "none", fmOpenRead), EStreamError);
    EXPECT_THROW(r.ReadBuffer(buf, 1), EStreamError);
}

} // namespace
