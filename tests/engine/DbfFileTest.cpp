#include "engine/DbfFile.h"
#include "EngineTestUtil.h"
#include "PythonOracle.h"
#include "TempFolder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvz {
namespace {

// A dBASE III table with a memo file, in 1250 and in 852, written by python3-dbf; the second
// row is deleted.
const char* const kMakeAddresses = R"(
import dbf, datetime
cp = sys.argv[1]
t = dbf.Table('ADRESY', 'PRIEZVISKO C(20); MESTO C(15); POCET N(5,0); SUMA N(10,2); NAROD D; AKTIV L; POZN M',
              codepage=cp, dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Šťastný', 'Žilina', 42, 1234.5, datetime.date(2006, 3, 5), True, 'Poznámka ľščťž\r\ndruhý riadok'))
t.append(('Zmazaný', 'X', 1, 0, None, False, ''))
t.append(('Novák', 'Brno', None, -3.25, None, None, 'x' * 700))
dbf.delete(t[1])
t.close()
)";

std::string Text(const TDbfFile& f, const TDbfValue& v) { return f.ToUtf8(v.text); }

class DbfFileOracle : public ::testing::TestWithParam<const char*> {};

TEST_P(DbfFileOracle, ReadsATableWithMemosInItsCodePage) {
    TempFolder folder;
    RUN_ORACLE(r, folder.path(), kMakeAddresses, GetParam());
    // The companion memo file is found whatever the case of its name.
    std::filesystem::rename(folder.path() / "ADRESY.dbt", folder.path() / "adresy.DBT");
    TDbfFile f(folder.path() / "ADRESY.dbf");
    EXPECT_EQ(f.CodePage(), std::string(GetParam()) == "cp1250" ? 1250 : 852);
    ASSERT_EQ(f.Fields().size(), 7u);
    ASSERT_EQ(f.RecordCount(), 3u);
    const auto& fd = f.Fields();
    std::string_view r1 = f.Record(1);
    EXPECT_FALSE(TDbfFile::IsDeleted(r1));
    EXPECT_TRUE(TDbfFile::IsDeleted(f.Record(2)));
    EXPECT_EQ(Text(f, f.Value(fd[0], r1)), "Šťastný");
    EXPECT_EQ(Text(f, f.Value(fd[1], r1)), "Žilina");
    EXPECT_EQ(fd[2].FieldType, TDbfFieldKind::Integer);
    EXPECT_EQ(f.Value(fd[2], r1).integer, 42);
    EXPECT_EQ(fd[3].FieldType, TDbfFieldKind::Float);
    EXPECT_DOUBLE_EQ(f.Value(fd[3], r1).number, 1234.5);
    EXPECT_DOUBLE_EQ(f.Value(fd[4], r1).number, EncodeDate(2006, 3, 5));
    EXPECT_TRUE(f.Value(fd[5], r1).boolean);
    EXPECT_EQ(Text(f, f.Value(fd[6], r1)), "Poznámka ľščťž\r\ndruhý riadok");
    std::string_view r3 = f.Record(3);
    EXPECT_EQ(f.Value(fd[2], r3).kind, TDbfValue::Null);
    EXPECT_EQ(f.Value(fd[4], r3).kind, TDbfValue::Null); // blank date
    EXPECT_DOUBLE_EQ(f.Value(fd[3], r3).number, -3.25);
    EXPECT_EQ(Text(f, f.Value(fd[6], r3)), std::string(700, 'x')); // over two blocks
}

INSTANTIATE_TEST_SUITE_P(CodePages, DbfFileOracle, ::testing::Values("cp1250", "cp852"));

// A table of the given descriptors (each name, letter, size, decimals) with the given records.
std::string MakeTable(uint8_t version, std::initializer_list<std::tuple<const char*, char, int, int>> fields,
                      std::initializer_list<std::string> records, uint8_t language = 0xC8, bool endMark = true) {
    std::string descriptors;
    int recordLength = 1;
    for (auto [name, letter, size, dec] : fields) {
        descriptors += EncodeDbfDescriptor(name, letter, static_cast<uint32_t>(recordLength), static_cast<uint8_t>(size),
                                           static_cast<uint8_t>(dec));
        recordLength += size;
    }
    TDbfHeader h;
    h.Version = version;
    h.RecordCount = static_cast<uint32_t>(records.size());
    h.HeaderLength = static_cast<uint16_t>(32 + descriptors.size() + (endMark ? 1 : 0));
    h.RecordLength = static_cast<uint16_t>(recordLength);
    h.LanguageId = language;
    std::string out = h.Encode() + descriptors + (endMark ? "\x0D" : "");
    for (const std::string& r : records) out += r;
    return out;
}

TEST(DbfFile, HeaderAndRecordsAsTheFileReallyHoldsThem) {
    std::string table = MakeTable(3, {{"NAME", 'C', 255, 0}, {"N", 'N', 3, 0}},
                                  {" " + std::string(255, 'a') + "  7", "*" + std::string(255, 'b') + "  8", " partial"});
    table[4] = 9; // the header claims nine records
    TDbfFile f(table, std::nullopt);
    EXPECT_EQ(f.RecordCount(), 2u); // the partial third record is not counted
    EXPECT_EQ(f.Fields()[0].Size, 254);
    EXPECT_EQ(f.Fields()[1].Offset, 256); // after all 255 bytes
    EXPECT_EQ(f.Value(f.Fields()[1], f.Record(1)).integer, 7);
    EXPECT_EQ(f.Value(f.Fields()[0], f.Record(1)).text, std::string(255, 'a'));
    EXPECT_THROW(f.Record(3), EDbfFileError);
}

TEST(DbfFile, FoxProDescriptorsEndAtTheirMarkBeforeTheBacklink) {
    std::string table = MakeTable(0x30, {{"ID", 'I', 4, 0}, {"NAME", 'C', 4, 0}}, {});
    const std::string backlink(263, '\0');
    table.insert(table.size(), backlink);
    table[8] = static_cast<char>((table.size()) & 0xFF);
    table[9] = static_cast<char>(table.size() >> 8);
    table += std::string(" \xFE\xFF\xFF\xFF") + "abc ";
    TDbfFile f(table, std::nullopt);
    ASSERT_EQ(f.Fields().size(), 2u);
    EXPECT_EQ(f.Value(f.Fields()[0], f.Record(1)).integer, -2); // little-endian in FoxPro tables
    EXPECT_EQ(f.Value(f.Fields()[1], f.Record(1)).text, "abc");
}

TEST(DbfFile, ValuesOfEveryLetter) {
    TDbfFile f(MakeTable(3, {{"L", 'L', 1, 0}, {"D", 'D', 8, 0}, {"N", 'N', 4, 0}, {"F", 'F', 8, 3}},
                         {" y19991231****     1.5", " F20060230  -3  -1.250", " ?99       +12        "}),
               std::nullopt);
    const auto& d = f.Fields();
    EXPECT_TRUE(f.Value(d[0], f.Record(1)).boolean);
    EXPECT_DOUBLE_EQ(f.Value(d[1], f.Record(1)).number, EncodeDate(1999, 12, 31));
    EXPECT_EQ(f.Value(d[2], f.Record(1)).kind, TDbfValue::Integer); // overflow marks read as 0
    EXPECT_EQ(f.Value(d[2], f.Record(1)).integer, 0);
    EXPECT_DOUBLE_EQ(f.Value(d[3], f.Record(1)).number, 1.5);
    EXPECT_FALSE(f.Value(d[0], f.Record(2)).boolean);
    EXPECT_EQ(f.Value(d[1], f.Record(2)).kind, TDbfValue::Null); // 30 February
    EXPECT_EQ(f.Value(d[2], f.Record(2)).integer, -3);
    EXPECT_DOUBLE_EQ(f.Value(d[3], f.Record(2)).number, -1.25);
    EXPECT_EQ(f.Value(d[0], f.Record(3)).kind, TDbfValue::Null);
    EXPECT_EQ(f.Value(d[2], f.Record(3)).integer, 12);
    double year99 = 0;
    ASSERT_TRUE(ParseDbfDate("99", year99));
    int y = 0, m = 0, day = 0;
    DecodeDate(year99, y, m, day);
    EXPECT_TRUE(y == 1999 || y == 2099);
    EXPECT_EQ(m * 100 + day, 101);
}

TEST(DbfFile, DamagedFilesGiveClearErrors) {
    const std::string good = MakeTable(3, {{"A", 'C', 2, 0}}, {" ab"});
    EXPECT_THROW(TDbfFile(good.substr(0, 20), std::nullopt), EDbfFileError);
    EXPECT_THROW(TDbfFile(good.substr(0, 40), std::nullopt), EDbfFileError); // header cut
    EXPECT_THROW(TDbfFile(MakeTable(3, {}, {}), std::nullopt), EDbfFileError);
    // Without the 0x0D mark the descriptors that are there are read.
    TDbfFile noMark(MakeTable(3, {{"A", 'C', 2, 0}}, {" ab"}, 0xC8, false), std::nullopt);
    EXPECT_EQ(noMark.Fields().size(), 1u);
    EXPECT_EQ(noMark.Value(noMark.Fields()[0], noMark.Record(1)).text, "ab");
    // Without its memo file a table is read with its memos empty, and says which file it lacks.
    TempFolder folder;
    WriteFileDurably(folder.path() / "T.DBF", MakeTable(0x83, {{"M", 'M', 10, 0}, {"A", 'C', 2, 0}}, {" 9999999999ab"}));
    TDbfFile noMemo(folder.path() / "T.DBF");
    EXPECT_EQ(noMemo.MissingMemoFile(), folder.path() / "T.dbt");
    EXPECT_EQ(noMemo.Value(noMemo.Fields()[0], noMemo.Record(1)).kind, TDbfValue::Null);
    EXPECT_EQ(noMemo.Value(noMemo.Fields()[1], noMemo.Record(1)).text, "ab");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "T.dbt")); // and none is created
}

// Runs the body in a forked child whose address space is limited to what it has now and a
// quarter gigabyte more; 0 when the body returned true within that.
int WithBoundedMemory(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 1;
        try {
            std::ifstream status("/proc/self/status");
            std::string line;
            long long used = 0;
            while (std::getline(status, line))
                if (line.starts_with("VmSize:")) used = std::stoll(line.substr(7)) * 1024;
            const rlimit limit{static_cast<rlim_t>(used + (256ll << 20)), static_cast<rlim_t>(used + (256ll << 20))};
            if (used > 0 && ::setrlimit(RLIMIT_AS, &limit) == 0) code = body() ? 0 : 2;
        } catch (...) {
            code = 3;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DbfFile, AHugeOrSparseFileCostsNoMoreMemoryThanASmallOne) {
    TempFolder folder;
    const std::string table = MakeTable(3, {{"NAME", 'C', 20, 0}}, {" first               "});
    const std::filesystem::path sparse = folder.path() / "SPARSE.DBF";
    const std::filesystem::path zeros = folder.path() / "ZEROS.DBF";
    WriteFileDurably(sparse, table);
    WriteFileDurably(zeros, "");
    constexpr uintmax_t kSize = 3ull << 30;
    std::filesystem::resize_file(sparse, kSize); // 3 GB of holes behind the first record
    std::filesystem::resize_file(zeros, kSize);
    EXPECT_EQ(WithBoundedMemory([&] {
                  TDbfFile f(sparse);
                  const uint32_t count = f.RecordCount();
                  return count == (kSize - 32 - 33) / 21 && f.Value(f.Fields()[0], f.Record(1)).text == "first" &&
                         f.Record(count) == std::string(21, '\0') && f.Record(count / 2) == std::string(21, '\0');
              }),
              0);
    EXPECT_EQ(WithBoundedMemory([&] {
                  try {
                      TDbfFile f(zeros);
                  } catch (const EDbfFileError& e) {
                      return std::string(e.what()).find("damaged") != std::string::npos;
                  }
                  return false;
              }),
              0);
}

TEST(DbfFile, FieldsOfNoWidthAreRefusedAtOnce) {
    // Eight megabytes of records of the deletion flag alone.
    std::string table = MakeTable(3, {{"A", 'C', 0, 0}, {"B", 'N', 0, 0}}, {});
    table += std::string(8 << 20, ' ');
    try {
        TDbfFile f(table, std::nullopt);
        FAIL() << "a table of " << f.RecordCount() << " empty records was read";
    } catch (const EDbfFileError& e) {
        EXPECT_NE(std::string(e.what()).find("hold no data"), std::string::npos) << e.what();
    }
}

TEST(DbfFile, AFileCutWithinARecordOrShorterThanItsHeaderCountsSaysSo) {
    const std::string whole = MakeTable(3, {{"A", 'C', 4, 0}}, {" abcd", " efgh"});
    struct Case {
        std::string bytes;
        uint32_t records;
        bool cut;
    } cases[] = {
        {whole, 2, false},
        {whole + "\x1A", 2, false},         // the end mark
        {whole.substr(0, whole.size() - 2), 1, true}, // within the second record
        {whole + " ij", 2, true},           // a third record begun
    };
    for (const Case& c : cases) {
        TDbfFile f(c.bytes, std::nullopt);
        EXPECT_EQ(f.RecordCount(), c.records) << c.bytes.size();
        EXPECT_EQ(f.Cut(), c.cut) << c.bytes.size();
    }
    std::string shortOfItsCount = whole;
    shortOfItsCount[4] = 3; // the header counts three
    EXPECT_TRUE(TDbfFile(shortOfItsCount, std::nullopt).Cut());
    // Read from a file, the same.
    TempFolder folder;
    WriteFileDurably(folder.path() / "CUT.DBF", whole.substr(0, whole.size() - 2));
    TDbfFile f(folder.path() / "CUT.DBF");
    EXPECT_EQ(f.RecordCount(), 1u);
    EXPECT_TRUE(f.Cut());
    EXPECT_EQ(f.Value(f.Fields()[0], f.Record(1)).text, "abcd");
}

TEST(DbfFile, AChangeOfAFileReadInBlocksKeepsEveryRecord) {
    TempFolder folder;
    std::vector<std::string> records;
    for (int i = 0; i < 70000; ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, " %019d", i);
        records.push_back(buffer);
    }
    std::string table = MakeTable(3, {{"N", 'C', 19, 0}}, {});
    for (const std::string& r : records) table += r;
    const std::filesystem::path path = folder.path() / "MANY.DBF";
    WriteFileDurably(path, table);
    {
        TDbfFile f(path);
        ASSERT_EQ(f.RecordCount(), 70000u);
        EXPECT_EQ(f.Record(69999), records[69998]);
        EXPECT_EQ(f.Record(2), records[1]);
        f.SetRecord(3, " changed            ");
        f.AppendRecord(" appended           ");
        f.Save();
    }
    TDbfFile f(path);
    ASSERT_EQ(f.RecordCount(), 70001u);
    EXPECT_EQ(f.Record(1), records[0]);
    EXPECT_EQ(f.Record(3), " changed            ");
    EXPECT_EQ(f.Record(70000), records[69999]);
    EXPECT_EQ(f.Record(70001), " appended           ");
    EXPECT_FALSE(f.Cut());
}

TEST(DbfFile, MemoBlocksAreCheckedAgainstTheMemoFile) {
    std::string memo(512, '\0');
    memo += "first\x1A\x1A";
    memo.resize(1024, ' ');
    memo += std::string("\xFF\xFF\x08\x00", 4) + std::string("\xFF\xFF\xFF\x7F", 4) + "cut short";
    memo.resize(1536, ' ');
    memo += std::string(511, 'y') + "\x1A\x1A"; // the end mark split over two blocks
    memo.resize(2560, ' ');
    memo += std::string("one \x1A mark stays\x1A\x1A"); // block 5
    TDbfFile iii(MakeTable(0x83, {{"M", 'M', 10, 0}},
                           {"          1", " 4294967295", "          3", "          5"}),
                 memo);
    EXPECT_EQ(iii.Value(iii.Fields()[0], iii.Record(1)).text, "first");
    EXPECT_THROW(iii.Value(iii.Fields()[0], iii.Record(2)), EDbfFileError); // 32-bit block times 512
    // The last byte of a block is not looked at: the first mark stays with the memo.
    EXPECT_EQ(iii.Value(iii.Fields()[0], iii.Record(3)).text, std::string(511, 'y') + "\x1A");
    EXPECT_EQ(iii.Value(iii.Fields()[0], iii.Record(4)).text, "one \x1A mark stays");
    memo[20] = 0;
    memo[21] = 2; // block size 512 in the header of a dBASE IV memo file
    TDbfFile iv(MakeTable(0x8B, {{"M", 'M', 10, 0}}, {"          2"}), memo);
    const std::string cut = iv.Value(iv.Fields()[0], iv.Record(1)).text; // length past the end
    EXPECT_EQ(cut.substr(0, 9), "cut short");
    EXPECT_EQ(cut.size(), memo.size() - 1024 - 8);
}

TEST(DbfFile, LanguageMarksOfTodaysReaders) {
    EXPECT_EQ(DbfLanguageByteOf(1250, false), 0xC8);
    EXPECT_EQ(DbfLanguageByteOf(1251, false), 0xC9);
    EXPECT_EQ(DbfLanguageByteOf(1252, false), 0x57);
    EXPECT_EQ(DbfLanguageByteOf(852, false), 0x64);
    EXPECT_EQ(DbfLanguageByteOf(852, true), 0x22);
    EXPECT_EQ(DbfLanguageByteOf(850, true), 0x02);
    EXPECT_EQ(DbfLanguageByteOf(12345, false), 0);
    for (int cp : {437, 737, 850, 852, 857, 861, 865, 866, 1250, 1251, 1252, 1253, 1254, 1255, 1256})
        EXPECT_EQ(DbfCodePageOfLanguageByte(DbfLanguageByteOf(cp, false)), cp) << cp;
    EXPECT_EQ(DbfCodePageOfLanguageByte(0x7F), 1250); // our older exports
    TDbfFile unmarked(MakeTable(3, {{"A", 'C', 1, 0}}, {" \x9C"}, 0), std::nullopt);
    EXPECT_EQ(unmarked.CodePage(), 852);
    EXPECT_EQ(unmarked.ToUtf8(unmarked.Value(unmarked.Fields()[0], unmarked.Record(1)).text), "ť");
}

} // namespace
} // namespace kvz
