#include "engine/DbfFile.h"
#include "engine/VolgaExp.h"
#include "EngineTestUtil.h"
#include "PythonOracle.h"
#include "TempFolder.h"
#include "platform/data/TinyDataSet.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "engine/VolgaTbl.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace kvz {
namespace {

using test::TTinyDataSet;
namespace fs = std::filesystem;

// Addresses as an export sees them: every kind of value, names that clash when cut to ten
// characters, and a name that is no XML name.
struct Addresses {
    TTinyDataSet ds;
    Addresses() {
        ds.FieldDefs().Add("Number", ftString, 8);
        ds.FieldDefs().Add("Priezvisko", ftString, 30);
        ds.FieldDefs().Add("Telefon", ftString, 15);
        ds.FieldDefs().Add("Narodeniny", ftDate);
        ds.FieldDefs().Add("Cas", ftTime);
        ds.FieldDefs().Add("Zapisane", ftDateTime);
        ds.FieldDefs().Add("Suma", ftFloat);
        ds.FieldDefs().Add("Pocet", ftInteger);
        ds.FieldDefs().Add("Aktivny", ftBoolean);
        ds.FieldDefs().Add("Poznamka", ftMemo);
        ds.FieldDefs().Add("Poznamka_prva", ftString, 5);
        ds.FieldDefs().Add("Poznamka_pravda", ftString, 5);
        ds.FieldDefs().Add("Moje pole", ftString, 5);
        ds.AddRow({Variant("0000abcd"), Variant("Šťastný & \"syn\" <s.r.o.>"), Variant("0905123456"),
                   Variant::DateTime(EncodeDate(2006, 3, 5)), Variant::DateTime(EncodeTime(14, 30, 5, 0)),
                   Variant::DateTime(EncodeDate(2006, 3, 5) + EncodeTime(8, 0, 0, 0)), Variant(1234.5), Variant(42),
                   Variant(true), Variant("prvý riadok\r\ndruhý\triadok"), Variant("a"), Variant("b"), Variant("c")});
        ds.AddRow({Variant("0000abce"), Variant("Novák"), Variant(), Variant(), Variant(), Variant(), Variant(),
                   Variant(int64_t{-2147483647}), Variant(false), Variant(), Variant(), Variant(), Variant()});
        ds.AddRow({Variant("0000abcf"), Variant("  Kováč  "), Variant(), Variant(), Variant(), Variant(), Variant(-0.25),
                   Variant(), Variant(), Variant("x"), Variant(), Variant(), Variant()});
        ds.Open();
    }
};

TEST(DbfExport, BytesOfHeaderDescriptorsAndRecords) {
    FixedClock clock(EncodeDate(2026, 12, 10));
    ScopedClock scope(clock);
    TTinyDataSet ds;
    ds.FieldDefs().Add("Number", ftString, 8);
    ds.FieldDefs().Add("Date", ftDate);
    ds.FieldDefs().Add("Amount", ftFloat);
    ds.FieldDefs().Add("Count", ftInteger);
    ds.FieldDefs().Add("Foto", ftGraphic);
    ds.AddRow({Variant("ab"), Variant::DateTime(EncodeDate(2006, 3, 5)), Variant(1234.5), Variant(int64_t{-2147483648LL}),
               Variant(std::string("\x89PNG\0\x01", 6))});
    ds.AddRow({Variant("abcdefghij"), Variant(), Variant(), Variant(7), Variant()});
    ds.Open();
    TZuzezARFConverter conv;
    conv.SetDataset(&ds);
    conv.SetToOEM(false);
    std::string out;
    conv.WriteToStream(out);
    const TDbfHeader h = TDbfHeader::Decode(out);
    EXPECT_EQ(h.Version, 3);
    EXPECT_EQ(h.Year * 10000 + h.Month * 100 + h.Day, 1261210);
    EXPECT_EQ(h.RecordCount, 2u);
    EXPECT_EQ(h.HeaderLength, 32 + 5 * 32 + 1);
    EXPECT_EQ(h.RecordLength, 1 + 8 + 8 + 16 + 10 + 10);
    EXPECT_EQ(h.LanguageId, 0xC8); // 1250, as readers of today know it
    EXPECT_EQ(ToHex(out.substr(64, 32)), "446174650000000000000044" "09000000" "08000000000000000000000000000000");
    const std::string records = out.substr(h.HeaderLength);
    // A picture has no place without a memo file: its column stays blank.
    EXPECT_EQ(ToHex(out.substr(160, 32)), "466f746f00000000000000502b0000000a000400000000000000000000000000");
    EXPECT_EQ(records, " ab      20060305       1234.5000**********          "
                       " abcdefgh" + std::string(18, ' ') + "0.0000         7          \x1A");
    EXPECT_EQ(out[h.HeaderLength - 1], '\x0D');

    // An empty dataset: no end byte.
    TTinyDataSet empty;
    empty.FieldDefs().Add("Number", ftString, 8);
    empty.FieldDefs().Add("Date", ftDate);
    empty.Open();
    conv.SetDataset(&empty);
    out.clear();
    conv.WriteToStream(out);
    EXPECT_EQ(out.size(), 97u);
    EXPECT_EQ(TDbfHeader::Decode(out).RecordLength, 17);
}

TEST(DbfExport, ReadBackByAnIndependentReaderInItsCodePage) {
    for (bool oem : {false, true}) {
        Addresses a;
        TempFolder folder;
        TZuzezARFConverter conv;
        conv.SetDataset(&a.ds);
        conv.SetToOEM(oem);
        std::vector<int> progress;
        conv.OnCallback = [&](int p) { progress.push_back(p); };
        conv.SaveToFile(folder.path() / "Adresy.DBF");
        EXPECT_EQ(progress, (std::vector<int>{33, 67, 100}));
        RUN_ORACLE(r, folder.path(), R"(
import dbfread
t = dbfread.DBF('Adresy.DBF', char_decode_errors='strict')
print(t.encoding)
print(','.join(f.name + ':' + f.type + str(f.length) for f in t.fields))
for rec in t:
    print('|'.join(repr(v) for v in rec.values()))
)");
        EXPECT_EQ(r.output, std::string(oem ? "cp852" : "cp1250") +
                                "\n"
                                "Number:C8,Priezvisko:C30,Telefon:C15,Narodeniny:D8,Cas:C8,Zapisane:C19,Suma:N16,Pocet:N10,"
                                "Aktivny:L1,Poznamka:C25,Poznamka_p:C5,Poznamka_1:C5,Moje pole:C5\n"
                                "'0000abcd'|'Šťastný & \"syn\" <s.r.o.>'|'0905123456'|datetime.date(2006, 3, 5)|'14:30:05'|"
                                "'05.03.2006 08:00:00'|1234.5|42|True|'prvý riadok\\r\\ndruhý\\triadok'|'a'|'b'|'c'\n"
                                "'0000abce'|'Novák'|''|None|''|''|0.0|None|False|''|''|''|''\n" // too wide for 10
                                "'0000abcf'|'Kováč'|''|None|''|''|-0.25|None|False|'x'|''|''|''\n")
            << "OEM " << oem;
    }
}

TEST(DbfExport, ACharacterTheOemPageLacksTakesItsNearestForm) {
    TTinyDataSet ds;
    ds.FieldDefs().Add("Text", ftString, 12);
    ds.AddRow({Variant("Kto – čo €")});
    ds.Open();
    TZuzezARFConverter conv;
    conv.SetDataset(&ds);
    conv.SetToOEM(true);
    std::string out;
    conv.WriteToStream(out);
    EXPECT_EQ(CodePageToUtf8(out.substr(TDbfHeader::Decode(out).HeaderLength + 1, 12), 852), "Kto - čo EUR");
}

TEST(DbfExport, AFileNameWithoutTheDbfExtensionIsRefused) {
    Addresses a;
    TempFolder folder;
    TZuzezARFConverter conv;
    conv.SetDataset(&a.ds);
    EXPECT_THROW(conv.SaveToFile(folder.path() / "adresy.txt"), EDatabaseError);
    EXPECT_THROW(conv.SaveToFile(folder.path() / "adresy"), EDatabaseError);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    TZuzezARFConverter none;
    EXPECT_THROW(none.SaveToFile(folder.path() / "adresy.dbf"), EDatabaseError);
}

TEST(DbfExport, TheDatasetIsForgottenWhenItGoes) {
    TZuzezARFConverter conv;
    {
        TTinyDataSet ds;
        conv.SetDataset(&ds);
        EXPECT_EQ(conv.Dataset(), &ds);
    }
    EXPECT_EQ(conv.Dataset(), nullptr);
}

TEST(XmlExport, ValidXmlInTheChosenCharsetWithRowsReadBack) {
    Addresses a;
    TempFolder folder;
    TVolgaXMLConverter conv;
    conv.SetDataset(&a.ds);
    conv.SetEncoding("windows-1250");
    conv.SetOrigin("Adresy \"A&B\"");
    std::vector<int> progress;
    conv.OnCallback = [&](int p) { progress.push_back(p); };
    // A character that 1250 cannot hold is written as a reference.
    a.ds.First();
    conv.SaveToFile(folder.path() / "adresy.xml");
    EXPECT_EQ(progress, (std::vector<int>{33, 67, 100}));
    const std::string bytes = ReadWholeFile(folder.path() / "adresy.xml");
    EXPECT_EQ(bytes.substr(0, 45), "<?xml version=\"1.0\" encoding=\"windows-1250\"?>");
    EXPECT_NE(bytes.find("Priezvisko=\"\x8A\x9D" "astn\xFD &amp; &quot;syn&quot; &lt;s.r.o.&gt;\""), std::string::npos);
    EXPECT_NE(bytes.find("Narodeniny=\"2006-03-05\" Cas=\"14:30:05\" Zapisane=\"2006-03-05T08:00:00\" Suma=\"1234.5\""), std::string::npos);
    EXPECT_EQ(bytes.find("Poznamka="), std::string::npos); // memos stand only in the schema
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "</xml>\r\n");
    RUN_ORACLE(r, folder.path(), R"(
import subprocess, xml.etree.ElementTree as ET
subprocess.run(['xmllint', '--noout', 'adresy.xml'], check=True)
root = ET.parse('adresy.xml').getroot()
ns = {'s': 'uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882', 'rs': 'urn:schemas-microsoft-com:rowset', 'z': '#RowsetSchema'}
types = root.findall('s:Schema/s:ElementType/s:AttributeType', ns)
print(types[0].get('{urn:schemas-microsoft-com:rowset}basetable'))
print([t.get('name') + '/' + str(t.get('{urn:schemas-microsoft-com:rowset}name')) for t in types][-2:])
for row in root.findall('rs:data/z:row', ns):
    print(sorted(row.attrib.items()))
)");
    EXPECT_EQ(r.output,
              "Adresy \"A&B\"\n"
              "['Poznamka_pravda/None', 'c12/Moje pole']\n"
              "[('Aktivny', 'True'), ('Cas', '14:30:05'), ('Narodeniny', '2006-03-05'), ('Number', '0000abcd'), ('Pocet', '42'), "
              "('Poznamka_pravda', 'b'), ('Poznamka_prva', 'a'), ('Priezvisko', 'Šťastný & \"syn\" <s.r.o.>'), ('Suma', '1234.5'), "
              "('Telefon', '0905123456'), ('Zapisane', '2006-03-05T08:00:00'), ('c12', 'c')]\n"
              "[('Aktivny', 'False'), ('Cas', ''), ('Narodeniny', ''), ('Number', '0000abce'), ('Pocet', '-2147483647'), "
              "('Poznamka_pravda', ''), ('Poznamka_prva', ''), ('Priezvisko', 'Novák'), ('Suma', ''), ('Telefon', ''), "
              "('Zapisane', ''), ('c12', '')]\n"
              "[('Aktivny', ''), ('Cas', ''), ('Narodeniny', ''), ('Number', '0000abcf'), ('Pocet', ''), ('Poznamka_pravda', ''), "
              "('Poznamka_prva', ''), ('Priezvisko', '  Kováč  '), ('Suma', '-0.25'), ('Telefon', ''), ('Zapisane', ''), "
              "('c12', '')]\n");
}

TEST(XmlExport, CharactersTheCharsetLacksAndControlCharacters) {
    TTinyDataSet ds;
    ds.FieldDefs().Add("Text", ftString, 40);
    ds.AddRow({Variant("€ Ω 中\r\n\t\x01.")});
    ds.Open();
    TempFolder folder;
    TVolgaXMLConverter conv;
    conv.SetDataset(&ds);
    conv.SaveToFile(folder.path() / "a.xml"); // windows-1252 by default
    const std::string bytes = ReadWholeFile(folder.path() / "a.xml");
    EXPECT_NE(bytes.find("Text=\"\x80 &#937; &#20013;&#13;&#10;&#9;.\""), std::string::npos);
    conv.SetEncoding("no-such-charset");
    EXPECT_THROW(conv.SaveToFile(folder.path() / "b.xml"), CodePageError);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "b.xml"));
    conv.SetEncoding("UTF-8");
    conv.SaveToFile(folder.path() / "c.xml");
    EXPECT_NE(ReadWholeFile(folder.path() / "c.xml").find("Text=\"€ Ω 中&#13;&#10;&#9;.\""), std::string::npos);
    // The German IA5 set keeps its name in the declaration; Ä takes the place of "[".
    ds.Edit();
    ds.FieldByName("Text").SetAsString("Äß[");
    ds.Post();
    conv.SetEncoding("x-IA5-German");
    conv.SaveToFile(folder.path() / "d.xml");
    const std::string ia5 = ReadWholeFile(folder.path() / "d.xml");
    EXPECT_EQ(ia5.substr(0, 45), "<?xml version=\"1.0\" encoding=\"x-IA5-German\"?>");
    EXPECT_NE(ia5.find("Text=\"[~&#91;\""), std::string::npos);
}

TEST(XmlExport, AnEmptyDatasetGivesTheSchemaAndNoProgress) {
    TTinyDataSet ds;
    ds.FieldDefs().Add("Number", ftString, 8);
    ds.FieldDefs().Add("Note", ftMemo);
    ds.Open();
    TempFolder folder;
    TVolgaXMLConverter conv;
    conv.SetDataset(&ds);
    bool called = false;
    conv.OnCallback = [&](int) { called = true; };
    conv.SaveToFile(folder.path() / "a.xml");
    EXPECT_FALSE(called);
    // A memo has no data type line; no row stands between the data marks.
    const std::string bytes = ReadWholeFile(folder.path() / "a.xml");
    EXPECT_NE(bytes.find("rs:basetable=\"Table\" rs:basecolumn=\"Note\" rs:maybenull=\"true\">\r\n"
                         "</s:AttributeType>\r\n</s:ElementType>\r\n</s:Schema>\r\n<rs:data>\r\n</rs:data>\r\n</xml>\r\n"),
              std::string::npos);
}

TEST(XlsExport, AWorkbookWithTypedCellsReadBack) {
    Addresses a;
    TempFolder folder;
    TVolgaXLSConverter conv;
    conv.SetDataset(&a.ds);
    a.ds.Fields()[0].SetVisible(false);
    a.ds.Fields()[1].SetDisplayLabel("Meno \"firmy\"");
    std::vector<int> progress;
    conv.OnCallback = [&](int p) { progress.push_back(p); };
    const std::filesystem::path saved = conv.SaveToFile(folder.path() / "adresy.xls");
    EXPECT_EQ(saved, folder.path() / "adresy.xlsx");
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1); // no staging file left
    RUN_ORACLE(r, folder.path(), R"(
import openpyxl
ws = openpyxl.load_workbook('adresy.xlsx').active
print(ws.cell(1, 1).font.b)
for row in ws.iter_rows(values_only=True):
    print(row)
)");
    EXPECT_EQ(r.output,
              "True\n"
              "('Meno \"firmy\"', 'Telefon', 'Narodeniny', 'Cas', 'Zapisane', 'Suma', 'Pocet', 'Aktivny', 'Poznamka_prva', "
              "'Poznamka_pravda', 'Moje pole')\n"
              "('Šťastný & \"syn\" <s.r.o.>', '0905123456', datetime.datetime(2006, 3, 5, 0, 0), datetime.time(14, 30, 5), "
              "datetime.datetime(2006, 3, 5, 8, 0), 1234.5, 42, True, 'a', 'b', 'c')\n"
              "('Novák', None, None, None, None, None, -2147483647, False, None, None, None)\n"
              "('  Kováč  ', None, None, None, None, -0.25, None, None, None, None, None)\n");
}

// A table larger than the pieces in which an export goes to its file gives the same file as
// one made whole: the dBASE file as the converter makes it in memory, the XML document as the
// one converted whole into another charset.
TEST(Exports, LargeTablesWrittenInPiecesAreWhole) {
    FixedClock clock(EncodeDate(2026, 12, 10) + EncodeTime(9, 30, 0, 0));
    ScopedClock scope(clock);
    TVolgaTable t;
    t.SetLoadMode(TVolgaLoadMode::lmClear);
    t.FieldDefs().Add("Number", ftString, 8);
    t.FieldDefs().Add("Text", ftString, 200);
    t.FieldDefs().Add("Pocet", ftInteger);
    t.FieldDefs().Add("Datum", ftDate);
    t.Open();
    constexpr int kRows = 4000;
    for (int i = 0; i < kRows; ++i) {
        t.Append();
        t.FieldByName("Number").SetAsString(std::to_string(10000000 + i));
        t.FieldByName("Text").SetAsString("Žltý kôň " + std::string(static_cast<size_t>(i % 190), 'a' + static_cast<char>(i % 26)));
        t.FieldByName("Pocet").SetAsInteger(i);
        t.FieldByName("Datum").SetAsDateTime(EncodeDate(2000, 1, 1) + i);
        t.Post();
    }
    TempFolder folder;
    const fs::path out = folder.path();

    TZuzezARFConverter dbf;
    dbf.SetDataset(&t);
    dbf.SetToOEM(false);
    std::string whole;
    dbf.WriteToStream(whole);
    dbf.SaveToFile(out / "a.dbf");
    EXPECT_GT(whole.size(), size_t{3} << 18); // pieces are about 256 KB
    EXPECT_EQ(TDbfHeader::Decode(whole).RecordCount, static_cast<uint32_t>(kRows));
    EXPECT_TRUE(ReadWholeFile(out / "a.dbf") == whole);

    t.ExportToXml(out / "utf-8.xml", "utf-8");
    t.ExportToXml(out / "utf-16.xml", "UTF-16");
    std::string utf8 = ReadWholeFile(out / "utf-8.xml");
    EXPECT_GT(utf8.size(), size_t{2} << 18);
    utf8.replace(utf8.find("utf-8"), 5, "UTF-16");
    EXPECT_TRUE(ConvertCharset(ReadWholeFile(out / "utf-16.xml"), "UTF-16", "UTF-8") == utf8);
}

// The files each export writes from a table of the engine, byte for byte as they are kept in
// tests/data/exports: every kind of value, empty ones, Slovak and Czech letters, letters the
// target lacks, a number too wide for its column, a date before 1900, under a filter and an
// order. KVZ_WRITE_FIXTURES=1 writes the files anew.
TEST(Exports, FilesOfAnEngineTableStayByteForByte) {
    FixedClock clock(EncodeDate(2026, 12, 10) + EncodeTime(9, 30, 0, 0));
    ScopedClock scope(clock);
    TVolgaTable t;
    t.SetLoadMode(TVolgaLoadMode::lmClear);
    t.FieldDefs().Add("Number", ftString, 8);
    t.FieldDefs().Add("Firma", ftString, 35);
    t.FieldDefs().Add("DlhyText", ftString, 300);
    t.FieldDefs().Add("Pocet", ftInteger);
    t.FieldDefs().Add("Maly", ftSmallint);
    t.FieldDefs().Add("Velky", ftLargeint);
    t.FieldDefs().Add("Suma", ftFloat);
    t.FieldDefs().Add("Mena", ftCurrency);
    t.FieldDefs().Add("Datum", ftDate);
    t.FieldDefs().Add("Cas", ftTime);
    t.FieldDefs().Add("Zapisane", ftDateTime);
    t.FieldDefs().Add("Aktivny", ftBoolean);
    t.FieldDefs().Add("Poznamka", ftMemo);
    t.FieldDefs().Add("Obrazok", ftGraphic);
    t.FieldDefs().Add("Kod", ftAutoInc);
    t.Open();
    struct Row {
        const char* number;
        const char* firma;
        const char* text;
        int pocet;
        int maly;
        int64_t velky;
        double suma, mena;
        TDateTime datum, cas, zapisane;
        bool aktivny;
        const char* poznamka;
    };
    const std::string longText(290, 'w');
    const Row rows[] = {
        {"0000abcd", "Šťastný & \"syn\" <s.r.o.>", "Príliš žluťoučký kůň úpěl ďábelské ódy\r\n\tĽĹŔÔ", 42, -7, 9000000000LL,
         1234.5, 19.99, EncodeDate(2006, 3, 5), EncodeTime(14, 30, 5, 0), EncodeDate(2006, 3, 5) + EncodeTime(8, 0, 0, 0),
         true, "prvý riadok\r\ndruhý\triadok"},
        {"0000abce", "", "", 0, 0, 0, 0, 0, 0, 0, 0, false, ""},
        {"0000abcf", "  Kováč  ", "Kto – čo € „áno“ \x01 ok", -2147483647 - 1, 32767, -1, 1e20, -0.25,
         EncodeDate(1850, 12, 31), EncodeTime(23, 59, 59, 0), EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0), false,
         "x"},
        {"0000abd0", "Žilinská a.s.", "skrytý filtrom", 7, 1, 1, 0.1 + 0.2, 3, EncodeDate(2026, 1, 1), 0, 0, true, ""},
        {"0000abd1", "Čierna Ďurica", longText.c_str(), 100, 2, 2, -1e-5, 1e6, EncodeDate(2000, 2, 29),
         EncodeTime(0, 0, 1, 0), EncodeDate(2000, 2, 29) + EncodeTime(12, 0, 0, 0), true,
         "dlhá poznámka s \"úvodzovkami\" a <značkami>"},
    };
    for (const Row& r : rows) {
        t.Append();
        t.FieldByName("Number").SetAsString(r.number);
        if (*r.firma) t.FieldByName("Firma").SetAsString(r.firma);
        if (*r.text) t.FieldByName("DlhyText").SetAsString(r.text);
        if (r.pocet) t.FieldByName("Pocet").SetAsInteger(r.pocet);
        if (r.maly) t.FieldByName("Maly").SetAsInteger(r.maly);
        if (r.velky) t.FieldByName("Velky").SetAsLargeInt(r.velky);
        if (r.suma != 0) t.FieldByName("Suma").SetAsFloat(r.suma);
        if (r.mena != 0) t.FieldByName("Mena").SetAsFloat(r.mena);
        if (r.datum != 0) t.FieldByName("Datum").SetAsDateTime(r.datum);
        if (r.cas != 0) t.FieldByName("Cas").SetAsDateTime(r.cas);
        if (r.zapisane != 0) t.FieldByName("Zapisane").SetAsDateTime(r.zapisane);
        if (r.aktivny) t.FieldByName("Aktivny").SetAsBoolean(true);
        if (*r.poznamka) t.FieldByName("Poznamka").SetAsString(r.poznamka);
        if (r.aktivny) t.FieldByName("Obrazok").SetAsString(std::string("\x89PNG\0\x01", 6));
        t.Post();
    }
    t.SetFilterText("Pocet <> 7");
    t.SetFiltered(true);
    t.SetIndexFieldNames("Firma");
    t.SetFieldOrigin("Adresy");
    ASSERT_EQ(t.RecordCount(), 4);

    TempFolder folder;
    const fs::path out = folder.path();
    t.ExportToDbf(out / "ansi.dbf", false);
    t.ExportToDbf(out / "oem.dbf", true);
    t.ExportToXml(out / "windows-1250.xml", "windows-1250");
    t.ExportToXml(out / "utf-8.xml", "utf-8");
    t.ExportToXml(out / "windows-1252.xml", "windows-1252");
    t.ExportToXls(out / "workbook.xlsx");
    const fs::path fixtures = fs::path(KVZ_TEST_DATA) / "exports";
    const char* update = std::getenv("KVZ_WRITE_FIXTURES");
    for (const char* name : {"ansi.dbf", "oem.dbf", "windows-1250.xml", "utf-8.xml", "windows-1252.xml"}) {
        if (update && std::string(update) == "1") WriteFileDurably(fixtures / name, ReadWholeFile(out / name));
        EXPECT_TRUE(ReadWholeFile(out / name) == ReadWholeFile(fixtures / name)) << name;
    }
    // A charset of more bytes a character gets the same document, converted whole.
    t.ExportToXml(out / "utf-16.xml", "UTF-16");
    std::string utf8 = ReadWholeFile(fixtures / "utf-8.xml");
    utf8.replace(utf8.find("utf-8"), 5, "UTF-16");
    EXPECT_TRUE(ConvertCharset(ReadWholeFile(out / "utf-16.xml"), "UTF-16", "UTF-8") == utf8);
    // The workbook differs only in the time of its making, which stands in one part: every
    // other part is the same to the byte, compressed as before.
    RUN_ORACLE(r, out, R"(
import zipfile
z = zipfile.ZipFile('workbook.xlsx')
for i in z.infolist():
    if i.filename == 'docProps/core.xml':
        print(i.filename)
    else:
        print(i.filename, i.compress_type, i.CRC, i.compress_size, i.file_size, i.date_time)
)");
    if (update && std::string(update) == "1") WriteFileDurably(fixtures / "workbook.txt", r.output);
    EXPECT_EQ(r.output, ReadWholeFile(fixtures / "workbook.txt"));
}

} // namespace
} // namespace kvz
