#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileNames.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Guid.h"
#include "platform/rtl/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <regex>
#include <sys/stat.h>

namespace kvz {
namespace {

TEST(DurableWrite, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempFolder dir;
    const auto file = dir.path() / "table_address.d";
    WriteFileDurably(file, "old");
    WriteFileDurably(file, std::string("new\0bytes", 9));
    EXPECT_EQ(ReadWholeFile(file), std::string("new\0bytes", 9));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(DurableWrite, AFailureKeepsTheOldFileAndReachesTheCaller) {
    TempFolder dir;
    const auto file = dir.path() / "a.d";
    WriteFileDurably(file, "old");
    // A folder in the way of the rename: the write fails at the last step.
    const auto blocked = dir.path() / "blocked";
    fs::create_directory(blocked);
    fs::create_directory(blocked / "x");
    EXPECT_THROW(WriteFileDurably(blocked, "new"), FileError);
    EXPECT_THROW(WriteFileDurably(dir.path() / "missing" / "a.d", "new"), FileError);
    EXPECT_EQ(ReadWholeFile(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    EXPECT_THROW(ReadWholeFile(dir.path() / "none"), FileError);
}

TEST(DurableWrite, ACreateNeverReplacesWhatIsThere) {
    TempFolder dir;
    const auto file = dir.path() / "Jano_links.d";
    EXPECT_TRUE(CreateFileDurably(file, "first"));
    EXPECT_FALSE(CreateFileDurably(file, "second"));
    EXPECT_EQ(ReadWholeFile(file), "first");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_THROW(CreateFileDurably(dir.path() / "missing" / "a.d", "x"), FileError);
}

TEST(DurableWrite, AReplaceCheckRunsOnceTheNewFileIsWrittenAndMayStopTheRename) {
    TempFolder dir;
    const auto file = dir.path() / "a.d";
    WriteFileDurably(file, "old");
    std::vector<std::string> seen;
    {
        ScopedReplaceCheck check(file, [&] {
            // The new content is written in full beside the file, which is still the old one.
            for (const auto& entry : fs::directory_iterator(dir.path()))
                seen.push_back(ReadWholeFile(entry.path()));
            throw std::runtime_error("lost the lock");
        });
        EXPECT_THROW(WriteFileDurably(file, "new"), std::runtime_error);
        WriteFileDurably(dir.path() / "other.d", "unchecked"); // another file is not checked
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"new", "old"}));
    EXPECT_EQ(ReadWholeFile(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    WriteFileDurably(file, "new"); // the check ended with its scope
    EXPECT_EQ(ReadWholeFile(file), "new");
}

TEST(DurableWrite, ACopyHasTheModeOfItsSourceAndAReplacedFileKeepsItsOwn) {
    TempFolder dir;
    const mode_t umask = ::umask(022);
    const auto privateFile = dir.path() / "a.d";
    WriteFileDurably(privateFile, "secret");
    fs::permissions(privateFile, fs::perms(0600));
    const auto backup = dir.path() / "a.bak";
    WriteFileDurably(backup, "older copy"); // a backup made before the table was private
    CopyFileDurably(privateFile, backup);
    CopyFileDurably(privateFile, dir.path() / "new.bak");
    WriteFileDurably(privateFile, "secret 2");
    const auto shared = dir.path() / "shared.ini";
    WriteFileDurably(shared, "x");
    fs::permissions(shared, fs::perms(0666));
    WriteFileDurably(shared, "y");
    const auto fresh = dir.path() / "fresh.d";
    GiveModeOf(fresh, privateFile);
    WriteFileDurably(fresh, "copy");
    ::umask(umask);
    for (const auto& [path, mode] : std::vector<std::pair<fs::path, unsigned>>{
             {privateFile, 0600}, {backup, 0600}, {dir.path() / "new.bak", 0600}, {shared, 0666}, {fresh, 0600}})
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(mode)) << path;
    EXPECT_EQ(ReadWholeFile(fresh), "copy");
}

TEST(Files, FindsAnExistingNameWithoutRegardToCaseAndTellsAbsentFromUnknown) {
    TempFolder dir;
    WriteFileDurably(dir.path() / "zirt.ini", "");
    EXPECT_EQ(ExistingOrCanonical(dir.path(), "Zirt.ini"), dir.path() / "zirt.ini");
    EXPECT_EQ(ExistingOrCanonical(dir.path(), "Users.ini"), dir.path() / "Users.ini");
    EXPECT_EQ(CheckPath(dir.path() / "zirt.ini"), PathState::Present);
    EXPECT_EQ(CheckPath(dir.path() / "nothing"), PathState::Absent);
    EXPECT_EQ(CheckPath(dir.path() / "zirt.ini" / "below-a-file"), PathState::Unknown);
}

TEST(Files, SafeFileNameParts) {
    for (const char* bad : {"", "   ", "a/b", "a\\b", "..", "x..y", "tab\there"}) EXPECT_FALSE(IsSafeFileNamePart(bad)) << bad;
    for (const char* good : {"Jano", "Ján Novák", "user.1"}) EXPECT_TRUE(IsSafeFileNamePart(good)) << good;
    EXPECT_THROW(CheckFileNamePart("../Jano"), FileError);
    for (const char* bad : {"/etc", "../x", "a/../../x", "a/..", "a/ /b"}) EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
    for (const char* good : {"", ".", "a", "./a/b", "a/"}) EXPECT_TRUE(IsSafeRelativePath(good)) << good;
}

TEST(Files, SafeUserNames) {
    TempFolder dir;
    const std::string longest(255 - 12, 'a');
    for (const char* bad : {"", " ", ".hidden", " Jano", "Jano ", "a/b", "a\\b", "..x", "x\ty"})
        EXPECT_FALSE(IsSafeUserName(bad, dir.path(), 12)) << bad;
    for (const char* good : {"Jano", "Ján Novák", "j.n"}) EXPECT_TRUE(IsSafeUserName(good, dir.path(), 12)) << good;
    EXPECT_TRUE(IsSafeUserName(longest, dir.path(), 12));
    EXPECT_FALSE(IsSafeUserName(longest + "a", dir.path(), 12));
    EXPECT_FALSE(IsSafeUserName(longest, dir.path() / "not there", 13));
}

TEST(Guid, BracedTextOf128RandomBits) {
    const std::string a = NewGuidText(), b = NewGuidText();
    EXPECT_TRUE(std::regex_match(a, std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})")))
        << a;
    EXPECT_NE(a, b);
    SetGuidSource([] { return std::string("{00000000-0000-0000-0000-000000000000}"); });
    EXPECT_EQ(NewGuidText(), "{00000000-0000-0000-0000-000000000000}");
    SetGuidSource(nullptr);
}

TEST(IniFile, ProfileFileSemanticsInTheDataCodePage) {
    TempFolder dir;
    const auto path = dir.path() / "Zirt.ini";
    WriteFileDurably(path, Utf8ToCodePage("; kept\r\n[ZirtSettings]\r\nNastavenia1 = 12 \r\nNastavenia2=x7\r\n"
                                          "Nastavenia3=$1F\r\nNastavenia_Text1=\"Ján\"\r\n\r\n[Other]\r\nA=1\r\n",
                                          1250));
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("zirtsettings", "NASTAVENIA1", 0), 12);
    EXPECT_EQ(ini.ReadInteger("ZirtSettings", "Nastavenia2", 5), 5);
    EXPECT_EQ(ini.ReadInteger("ZirtSettings", "Nastavenia3", 0), 31);
    EXPECT_EQ(ini.ReadString("ZirtSettings", "Nastavenia_Text1", ""), "Ján");
    EXPECT_EQ(ini.ReadString("Missing", "A", "def"), "def");
    EXPECT_EQ(ini.ReadSection("ZirtSettings").size(), 4u);

    ini.WriteString("ZirtSettings", "Nastavenia_Text2", "Žilina");
    ini.WriteInteger("New", "Count", -3);
    ini.DeleteKey("Other", "A");
    EXPECT_THROW(ini.WriteString("ZirtSettings", "Bad", "Ωmega"), CodePageError);
    ini.UpdateFile();

    const std::string bytes = ReadWholeFile(path);
    EXPECT_NE(bytes.find("; kept\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("Nastavenia_Text2=\x8Eilina\r\n"), std::string::npos);
    IniFile again(path);
    EXPECT_EQ(again.ReadString("ZirtSettings", "Nastavenia_Text2", ""), "Žilina");
    EXPECT_EQ(again.ReadInteger("New", "Count", 0), -3);
    EXPECT_FALSE(again.ValueExists("Other", "A"));
    EXPECT_FALSE(again.ValueExists("ZirtSettings", "Bad"));
}

TEST(IniFile, LinesEndAnyWayAndNoValueMakesLinesOfItsOwn) {
    TempFolder dir;
    const auto path = dir.path() / "Zirt.ini";
    // CR LF, LF and CR line ends in one file; text after a section's bracket; a repeated key.
    WriteFileDurably(path, "[A] ; note\rK=1\nk=2\r\n[b]\n\rL=3\r");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("a", "K", 0), 1); // the first of a repeated key
    EXPECT_EQ(ini.ReadInteger("B", "l", 0), 3);
    ini.DeleteKey("A", "K");
    EXPECT_EQ(ini.ReadInteger("A", "K", 0), 2); // the repeat is found once the first is gone
    for (const char* bad : {"x\r\n[B]\r\nL=9", "x\ry", "x\ny"}) {
        EXPECT_THROW(ini.WriteString("A", "V", bad), std::invalid_argument) << bad;
        EXPECT_THROW(ini.WriteString("A", bad, "v"), std::invalid_argument) << bad;
        EXPECT_THROW(ini.WriteString(bad, "V", "v"), std::invalid_argument) << bad;
    }
    ini.UpdateFile();
    EXPECT_EQ(ReadWholeFile(path), "[A] ; note\r\nk=2\r\n[b]\r\n\r\nL=3\r\n");
}

} // namespace
} // namespace kvz
