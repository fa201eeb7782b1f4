#include "engine/DbfIndex.h"
#include "engine/dbf.h"
#include "PythonOracle.h"
#include "TempFolder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

const char* const kMakeAddresses = R"(
import dbf, datetime
t = dbf.Table('ADRESY', 'PRIEZVISKO C(20); NAROD D; POZN M', codepage='cp852', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Šťastný', datetime.date(2006, 3, 5), 'Poznámka'))
t.append(('Zmazaný', None, ''))
t.append(('Novák', None, 'x'))
dbf.delete(t[1])
t.close()
)";

// Index files made by xbase64's utility: on names and numbers of a table of 20 records in
// random order (one page each), and on a table of 300 names (a tree of pages; the utility
// builds sound trees only from keys in rising order).
const char* const kMakeIndexed = R"(
import dbf, random, subprocess
random.seed(5)
def make(name, rows, indexes):
    t = dbf.Table(name, 'NAME C(12); CISLO N(6,0)', dbf_type='db3', codepage='cp1250')
    t.open(dbf.READ_WRITE)
    for row in rows:
        t.append(row)
    t.close()
    for ndx, key in indexes:
        subprocess.run(['dbfutil1'], input='1\n1\n%s.dbf\n99\n4\n2\n%s\nN\n%s\n99\n99\n' % (name, ndx, key),
                       text=True, capture_output=True, timeout=60, check=True)
make('NAMES', [('n%05d' % random.randint(0, 99999), random.randint(-5000, 5000)) for i in range(20)],
     [('NAMES.NDX', 'NAME'), ('CISLA.NDX', 'CISLO')])
make('BIG', [(n, 0) for n in sorted('n%05d' % random.randint(0, 99999) for i in range(300))], [('BIG.NDX', 'NAME')])
)";

std::vector<std::string> Column(TDbfTable& t, const char* name) {
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(name).AsString());
    return out;
}

TEST(DbfTable, ImportsAsTheAddressImportReadsAndLeavesTheFilesAlone) {
    TempFolder folder;
    RUN_ORACLE(r, folder.path(), kMakeAddresses);
    std::filesystem::rename(folder.path() / "ADRESY.dbf", folder.path() / "ADRESY.DBF");
    const std::string before = ReadWholeFile(folder.path() / "ADRESY.DBF");
    {
        TDbfTable t;
        t.SetTableName((folder.path() / "ADRESY.DBF").string());
        EXPECT_EQ(t.FilePath(), folder.path().string());
        t.SetActive(true);
        ASSERT_EQ(t.FieldCount(), 3);
        EXPECT_EQ(t.Fields()[0].FieldName(), "PRIEZVISKO");
        EXPECT_EQ(t.Fields()[0].DataType(), ftString);
        EXPECT_EQ(t.Fields()[0].Size(), 20);
        EXPECT_EQ(t.Fields()[1].DataType(), ftDate);
        EXPECT_EQ(t.Fields()[2].DataType(), ftMemo);
        EXPECT_EQ(t.RecordCount(), 3); // deleted records included
        EXPECT_EQ(Column(t, "PRIEZVISKO"), (std::vector<std::string>{"Šťastný", "Novák"}));
        t.First();
        EXPECT_EQ(t.RecNo(), 1);
        EXPECT_DOUBLE_EQ(t.Fields()[1].AsDateTime(), EncodeDate(2006, 3, 5));
        EXPECT_EQ(t.Fields()[2].AsString(), "Poznámka");
        t.Next();
        EXPECT_EQ(t.RecNo(), 3);
        EXPECT_TRUE(t.Fields()[1].IsNull());
        t.Close();
        t.SetShowDeleted(true);
        t.Open();
        EXPECT_EQ(Column(t, "PRIEZVISKO").size(), 3u);
    }
    EXPECT_EQ(ReadWholeFile(folder.path() / "ADRESY.DBF"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3); // dbf, dbt, script

    // Without its memo file the rows are read with empty memos, and that is reported once.
    std::filesystem::remove(folder.path() / "ADRESY.dbt");
    std::vector<std::string> reports;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reports.push_back(x.what());
        }
    });
    {
        TDbfTable t;
        t.SetTableName((folder.path() / "ADRESY.DBF").string());
        t.Open();
        EXPECT_EQ(Column(t, "PRIEZVISKO"), (std::vector<std::string>{"Šťastný", "Novák"}));
        EXPECT_EQ(Column(t, "POZN"), (std::vector<std::string>{"", ""}));
    }
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(reports, std::vector<std::string>{"Memo file not found : " + (folder.path() / "ADRESY.dbt").string()});

    // A missing table is an error and nothing is created in its place.
    TDbfTable missing;
    missing.SetTableName((folder.path() / "INE.DBF").string());
    try {
        missing.Open();
        FAIL() << "opened a missing table";
    } catch (const EDbfFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Open: Table file not found : " + (folder.path() / "INE.DBF").string());
    }
    EXPECT_FALSE(missing.Active());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "INE.DBF"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "ine.dbf"));
}

TEST(DbfTable, AFileCutWithinARecordIsReadUpToTheCutAndSaysSo) {
    TempFolder folder;
    const std::filesystem::path path = folder.path() / "CUT.DBF";
    {
        TDbfTable t;
        t.SetTableName(path.string());
        t.FieldDefs().Add("Meno", ftString, 12);
        t.Open();
        for (const char* name : {"Anna", "Boris", "Cyril"}) {
            t.Append();
            t.FieldByName("MENO").SetAsString(name);
            t.Post();
        }
    }
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 6); // the end mark and 5 bytes
    std::vector<std::string> reports;
    SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reports.push_back(x.what());
        }
    });
    {
        TDbfTable t;
        t.SetTableName(path.string());
        t.SetReadOnly(true);
        t.Open();
        EXPECT_EQ(Column(t, "MENO"), (std::vector<std::string>{"Anna", "Boris"}));
    }
    SetApplicationExceptionHandler(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("cut off"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("first 2 whole records"), std::string::npos) << reports[0];
}

TEST(DbfTable, WritesRecordsMemosAndIndexesThatOtherReadersTakeIn) {
    TempFolder folder;
    {
        TDbfTable t;
        t.SetTableName((folder.path() / "Nova.dbf").string());
        t.FieldDefs().Add("Meno", ftString, 12);
        t.FieldDefs().Add("Pocet", ftInteger);
        t.FieldDefs().Add("Suma", ftFloat);
        t.FieldDefs().Add("Den", ftDate);
        t.FieldDefs().Add("Ano", ftBoolean);
        t.FieldDefs().Add("Pozn", ftMemo);
        t.Open(); // made from the definitions: the open mode allows it
        for (const char* name : {"Žofia", "adam", "Bohuš"}) {
            t.Append();
            t.FieldByName("MENO").SetAsString(name);
            t.FieldByName("POCET").SetAsInteger(static_cast<int>(std::string(name).size()));
            t.FieldByName("SUMA").SetAsFloat(-1.5);
            t.FieldByName("DEN").SetAsDateTime(EncodeDate(2026, 12, 10));
            t.FieldByName("ANO").SetAsBoolean(true);
            t.FieldByName("POZN").SetAsString(std::string(name) + " má poznámku " + std::string(600, '.'));
            t.Post();
        }
        EXPECT_THROW(t.FieldByName("POCET").SetAsLargeInt(int64_t{12345678901}), EDatabaseError);
        t.Close();
        TIndexFile::Create(folder.path() / "MENA.NDX", TDbfFile(folder.path() / "Nova.dbf"),
                           TDbfFile(folder.path() / "Nova.dbf").Fields()[0]);
        t.Indexes().push_back({"MENA", ""});
        t.SetIndexName("mena");
        t.Open();
        EXPECT_EQ(Column(t, "MENO"), (std::vector<std::string>{"adam", "Bohuš", "Žofia"}));
        t.First();
        t.Edit();
        t.FieldByName("MENO").SetAsString("Zuzana");
        t.FieldByName("POZN").SetAsString("kratšia");
        t.Post();
        EXPECT_EQ(Column(t, "MENO"), (std::vector<std::string>{"Bohuš", "Zuzana", "Žofia"}));
        t.First();
        t.Delete();
        EXPECT_EQ(Column(t, "MENO"), (std::vector<std::string>{"Zuzana", "Žofia"}));
        EXPECT_EQ(TIndexFile(folder.path() / "MENA.NDX").Entries().size(), 3u);
        t.Close();
    }
    // Numeric keys: 8 bytes, 31 to a page; files of our older program name the key kind by a
    // letter after their own mark.
    TIndexFile::Create(folder.path() / "POCET.NDX", TDbfFile(folder.path() / "Nova.dbf"),
                       TDbfFile(folder.path() / "Nova.dbf").Fields()[1]);
    std::string numeric = ReadWholeFile(folder.path() / "POCET.NDX");
    const TIndexFile byCount(numeric);
    EXPECT_FALSE(byCount.TextKeys());
    EXPECT_EQ(byCount.KeysPerPage(), 31);
    EXPECT_EQ(byCount.EntrySize(), 16);
    ASSERT_EQ(byCount.Entries().size(), 3u);
    // 4, then the two 6 by record number.
    EXPECT_EQ(byCount.Entries()[0].RecNo * 100 + byCount.Entries()[1].RecNo * 10 + byCount.Entries()[2].RecNo, 213u);
    numeric[10] = 0;
    numeric[11] = 0x58;
    numeric[9] = 'N';
    EXPECT_FALSE(TIndexFile(numeric).TextKeys());
    numeric[9] = 'C';
    EXPECT_TRUE(TIndexFile(numeric).TextKeys());
    RUN_ORACLE(r, folder.path(), R"(
import dbfread
t = dbfread.DBF('Nova.dbf', char_decode_errors='strict')
print(t.encoding, len(t), len(t.deleted))
for rec in t:
    print(rec['MENO'], rec['POCET'], rec['SUMA'], rec['DEN'], rec['ANO'], rec['POZN'][:16], len(rec['POZN']))
)");
    EXPECT_EQ(r.output, "cp1250 2 1\n"
                        "Žofia 6 -1.5 2026-12-10 True Žofia má poznámk 618\n"
                        "Zuzana 4 -1.5 2026-12-10 True kratšia 7\n");

    // A table opened only for reading takes no changes.
    TDbfTable ro;
    ro.SetTableName((folder.path() / "Nova.dbf").string());
    ro.SetReadOnly(true);
    ro.Open();
    EXPECT_FALSE(ro.CanModify());
    EXPECT_THROW(ro.Edit(), EDatabaseError);
}

TEST(DbfTable, BookmarksOfThePhysicalOrderCompareByRecordNumber) {
    TempFolder folder;
    RUN_ORACLE(r, folder.path(), kMakeAddresses);
    TDbfTable t;
    t.SetTableName((folder.path() / "adresy.dbf").string());
    t.Open();
    const TBookmark first = t.GetBookmark();
    t.Next();
    const TBookmark second = t.GetBookmark();
    EXPECT_EQ(t.CompareBookmarks(first, second), -1);
    EXPECT_EQ(t.CompareBookmarks(second, first), 1);
    EXPECT_EQ(t.CompareBookmarks(first, first), 0);
    EXPECT_EQ(t.CompareBookmarks(first, {}), -1); // a missing bookmark sorts after
    t.GotoBookmark(first);
    EXPECT_EQ(t.Fields()[0].AsString(), "Šťastný");
    EXPECT_TRUE(t.Locate("PRIEZVISKO", Variant("nov"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(t.RecNo(), 3);
    // As many values as fields; only the last field matches by its beginning.
    const Variant date = Variant::DateTime(EncodeDate(2006, 3, 5));
    EXPECT_FALSE(t.Locate("PRIEZVISKO", Variant(std::vector<Variant>{Variant("Novák"), Variant("x")}), 0));
    EXPECT_FALSE(t.Locate("PRIEZVISKO;NAROD", Variant(std::vector<Variant>{Variant("Šťast")}), loPartialKey));
    EXPECT_FALSE(t.Locate("PRIEZVISKO;NAROD", Variant(std::vector<Variant>{Variant("Šťast"), date}), loPartialKey));
    EXPECT_EQ(t.RecNo(), 3); // back on its record
    EXPECT_TRUE(t.Locate("NAROD;PRIEZVISKO", Variant(std::vector<Variant>{date, Variant("Šťast")}), loPartialKey));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_FALSE(t.Locate("PRIEZVISKO", Variant("šťastný"), 0));
    t.Last();
    EXPECT_TRUE(t.Locate("PRIEZVISKO", Variant(""), loPartialKey)); // an empty key matches any
    EXPECT_EQ(t.RecNo(), 1);
    t.Last();
    t.SetOnFilterRecord([](TDataSet& ds, bool& accept) { accept = ds.FieldByName("POZN").AsString() == "x"; });
    t.SetFiltered(true);
    EXPECT_EQ(Column(t, "PRIEZVISKO"), (std::vector<std::string>{"Novák"}));
}

TEST(DbfTable, ReadsInTheOrderOfRealIndexFiles) {
    TempFolder folder;
    RUN_ORACLE(r, folder.path(), kMakeIndexed);
    TDbfTable t;
    t.SetTableName((folder.path() / "NAMES.dbf").string());
    t.Indexes().push_back({"names", ""}); // the utility named it "names.ndx"
    t.Indexes().push_back({"", "cisla"});
    t.Open();
    const std::vector<std::string> physical = Column(t, "NAME");
    ASSERT_EQ(physical.size(), 20u);

    t.SetIndexName("NAMES");
    std::vector<std::string> byName = Column(t, "NAME");
    std::vector<std::string> sorted = physical;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(byName, sorted);

    t.SetIndexName("cisla.ndx");
    std::vector<int> numbers;
    for (t.First(); !t.Eof(); t.Next()) numbers.push_back(t.FieldByName("CISLO").AsInteger());
    ASSERT_EQ(numbers.size(), 20u);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    // Index order keeps its place through bookmarks.
    t.First();
    t.MoveBy(10);
    const TBookmark mark = t.GetBookmark();
    const int value = t.FieldByName("CISLO").AsInteger();
    t.Last();
    t.GotoBookmark(mark);
    EXPECT_EQ(t.FieldByName("CISLO").AsInteger(), value);

    const int kept = t.RecNo();
    t.SetIndexName(""); // the current record stays current
    EXPECT_EQ(t.RecNo(), kept);
    EXPECT_EQ(Column(t, "NAME"), physical);

    // An index named by its full path, in a folder whose name has capitals.
    t.Close();
    std::filesystem::create_directory(folder.path() / "Indexy");
    std::filesystem::copy_file(folder.path() / "names.ndx", folder.path() / "Indexy" / "names.ndx");
    t.Indexes().clear();
    t.Indexes().push_back({(folder.path() / "Indexy" / "Names").string(), ""});
    t.SetIndexName((folder.path() / "Indexy" / "NAMES.NDX").string());
    t.Open();
    EXPECT_EQ(Column(t, "NAME"), sorted);

    // A tree of pages is read in key order throughout.
    const TIndexFile big(ReadWholeFile(folder.path() / "big.ndx"));
    ASSERT_EQ(big.Entries().size(), 300u);
    for (uint32_t i = 0; i < 300; ++i) EXPECT_EQ(big.Entries()[i].RecNo, i + 1);
    EXPECT_GT(big.PageCount(), 10u);
}

TEST(DbfTable, AMissingOrDamagedIndexIsAnErrorAndNeverMade) {
    TempFolder folder;
    RUN_ORACLE(r, folder.path(), kMakeIndexed);
    TDbfTable t;
    t.SetTableName((folder.path() / "BIG.dbf").string());
    t.Indexes().push_back({"INE", ""});
    EXPECT_THROW(t.Open(), EDbfFileError);
    EXPECT_FALSE(t.Active());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "INE.NDX"));

    // Pages that point back up, past the end or that claim too many keys.
    std::string index = ReadWholeFile(folder.path() / "big.ndx");
    const TIndexFile good(index);
    EXPECT_EQ(good.KeyExpression(), "NAME");
    EXPECT_EQ(good.KeyLength(), 12);
    EXPECT_TRUE(good.TextKeys());
    ASSERT_EQ(good.Entries().size(), 300u);
    const size_t root = good.RootPage() * 512;
    auto damaged = [&](size_t at, uint32_t value) {
        std::string bad = index;
        for (int i = 0; i < 4; ++i) bad[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
        return bad;
    };
    EXPECT_THROW(TIndexFile(damaged(root + 4, good.RootPage())), EDbfFileError); // a cycle
    EXPECT_THROW(TIndexFile(damaged(root + 4, 99999)), EDbfFileError);
    EXPECT_THROW(TIndexFile(damaged(root, 1000)), EDbfFileError);
    EXPECT_THROW(TIndexFile(damaged(0, 0)), EDbfFileError);
    EXPECT_THROW(TIndexFile(index.substr(0, 300)), EDbfFileError);
}

} // namespace
} // namespace kvz
