#include "core/Data1.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "core/TableLocks.h"
#include "core/Users.h"
#include "core/VersionInfo.h"
#include "engine/VolgaSession.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include "ProgramTesting.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <map>

namespace kvz {
namespace {

// One program over a table folder, with the seven tables of "Jano" open.
struct Program : ProgramFrame {
    std::unique_ptr<TDataModule1> data;

    Program(const fs::path& folder, bool network, const std::string& password)
        : ProgramFrame(folder, "Jano", network) {
        data = std::make_unique<TDataModule1>(frame);
        data->DataModuleCreate();
        data->OpenAllTables(password);
    }
};

std::map<fs::path, std::string> TableBytes(const fs::path& folder) {
    std::map<fs::path, std::string> bytes;
    for (TableId id : kAllTables) {
        const fs::path file = folder / ("Jano" + std::string(TableSuffix(id)));
        bytes[file] = ReadWholeFile(file);
    }
    return bytes;
}

// Whether the seven tables open with the password alone, nothing else known to the session.
bool OpenWith(const fs::path& folder, const std::string& password) {
    for (const std::string& known : std::vector<std::string>(VolgaSession().Passwords())) VolgaSession().RemovePassword(known);
    try {
        Program p(folder, false, password);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

class UsersTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage(1); }
    void TearDown() override { SetLanguage(2); }
    TempFolder dir;
};

TEST_F(UsersTest, NewUserNamesAcceptedAndRefused) {
    const std::vector<std::string> list = {"Anna", "Petra"};
    const std::string unsafe = "This name cannot be used";
    struct Case {
        std::string typed;
        std::string fault; // the start of the message, empty when accepted
    } cases[] = {
        {"  Jano  ", ""},
        {"Ján Novák", ""},
        {"j.novak", ""},
        {"", GetMessageText(MessageId::EnterName)},
        {"   ", GetMessageText(MessageId::EnterName)},
        {"anna", GetMessageText(MessageId::NameExists)},
        {"PETRA", GetMessageText(MessageId::NameExists)},
        {"../Anna", unsafe},
        {"a/b", unsafe},
        {"a\\b", unsafe},
        {".hidden", unsafe},
        {"tab\there", unsafe},
        {std::string(250, 'x'), unsafe},
        {"名前", unsafe}, // the list's code page cannot hold it
    };
    for (const Case& c : cases) {
        const std::string fault = NewUserNameFault(TrimUserName(c.typed), list, dir.path());
        if (c.fault.empty())
            EXPECT_EQ(fault, "") << c.typed;
        else
            EXPECT_EQ(fault.substr(0, c.fault.size()), c.fault) << c.typed;
    }
    EXPECT_EQ(TrimUserName("  Jano \t"), "Jano");
    EXPECT_TRUE(SameUserName("Ľudo", "ľudo"));
    EXPECT_EQ(CutPassword("ťažké-heslo"), "ťažké-he");
}

TEST_F(UsersTest, UserListIsReadByPositionAndWrittenWithoutRemovingKeys) {
    WriteFileDurably(dir.path() / "users.ini",
                     Utf8ToCodePage("[UserNames]\r\nUser0=Anna\r\nUser2=Ľuboš\r\n[Other]\r\nA=1\r\n", 1250));
    EXPECT_EQ(ReadUserList(dir.path()), (std::vector<std::string>{"Anna", "", "Ľuboš"}));
    WriteUserList(dir.path(), {"Anna", "", "Ľuboš", "Petra"});
    EXPECT_EQ(ReadUserList(dir.path()), (std::vector<std::string>{"Anna", "", "Ľuboš", "Petra"}));
    // The file found without regard to case is the one written; other sections stay.
    EXPECT_FALSE(fs::exists(dir.path() / "Users.ini"));
    EXPECT_NE(ReadWholeFile(dir.path() / "users.ini").find("[Other]"), std::string::npos);
    EXPECT_EQ(StartUserName(dir.path(), false, "Net"), "Anna");
    EXPECT_EQ(StartUserName(dir.path(), true, "Net"), "Net");
    EXPECT_EQ(StartUserName(dir.path() / "none", false, "Net"), "");
}

TEST_F(UsersTest, AUserListIsNeverLongerThanItsKeys) {
    struct Case {
        std::string section;
        std::vector<std::string> names;
    } cases[] = {
        {"User99999=x\r\n", {"", "x"}},
        {"User4294967296=x\r\n", {""}}, // a number no list reaches
        {"User0=Anna\r\nUser7=Petra\r\nUser9=anna\r\n", {"Anna", "", "", "Petra"}},
        {"User1=Eva\r\nUser0=Anna\r\n", {"Anna", "Eva"}},
    };
    for (const Case& c : cases) {
        WriteFileDurably(dir.path() / "Users.ini", "[UserNames]\r\n" + c.section);
        EXPECT_EQ(ReadUserList(dir.path()), c.names) << c.section;
        // Written back and read again, the list stays as it was.
        WriteUserList(dir.path(), c.names);
        EXPECT_EQ(ReadUserList(dir.path()), c.names) << c.section;
    }
}

TEST_F(UsersTest, PasswordChangeIsAllOrNothingWhateverStepFails) {
    // Each table is first written beside its file, then moved in after a copy of the old one:
    // a folder in the way of either file makes that step fail.
    for (const char* step : {".newkey~", ".oldkey~"}) {
        for (TableId failing : kAllTables) {
            SCOPED_TRACE(std::string(step) + " " + TableSuffix(failing));
            TempFolder folder;
            { Program create(folder.path(), false, "old"); }
            const auto before = TableBytes(folder.path());
            const fs::path obstacle = folder.path() / ("Jano" + std::string(TableSuffix(failing)) + step);
            fs::create_directories(obstacle / "x");
            {
                Program p(folder.path(), false, "old");
                EXPECT_ANY_THROW(ChangeTablePasswords(*p.data, p.frame, "new"));
                EXPECT_EQ(TableBytes(folder.path()), before);
                for (TableId id : kAllTables) EXPECT_EQ(p.data->TableOf(id)->Password(), "old");
                // Nothing is left beside the tables but the obstacle.
                size_t entries = 0;
                for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path())) ++entries;
                fs::remove_all(obstacle);
                ChangeTablePasswords(*p.data, p.frame, "new");
                for (TableId id : kAllTables) EXPECT_EQ(p.data->TableOf(id)->Password(), "new");
                size_t after = 0;
                for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder.path())) ++after;
                EXPECT_EQ(after + 1, entries);
            }
            for (const auto& [file, bytes] : TableBytes(folder.path())) EXPECT_NE(bytes, before.at(file)) << file;
            EXPECT_TRUE(OpenWith(folder.path(), "new"));
            EXPECT_FALSE(OpenWith(folder.path(), "old"));
        }
    }
}

TEST_F(UsersTest, PasswordChangeInNetworkModeKeepsWhatAnotherProgramWrote) {
    Program a(dir.path(), true, "old");
    Program b(dir.path(), true, "old");
    // The other program holds the links' lock while the change writes the first tables anew;
    // then it lets go and adds an owner, whose table the change has written already.
    ASSERT_TRUE(b.locks.LockTableFile(b.data->LockFileName(TableId::Links)));
    int waits = 0;
    a.locks.OnWait = [&] {
        if (waits++ > 0) return true;
        b.locks.UnlockTableFile();
        TVolgaTable& owners = *b.data->OwnersTable;
        b.locks.WriteSharedTable(owners, b.data->LockFileName(TableId::Owners), true, kRecordCommandPoll, [&] {
            owners.Append();
            owners.FieldByName("OwnerName").SetAsString("Peter");
            owners.Post();
        });
        return true;
    };
    ChangeTablePasswords(*a.data, a.frame, "");
    EXPECT_GT(waits, 0);
    EXPECT_FALSE(a.locks.TableLockHeld());
    EXPECT_TRUE(OpenWith(dir.path(), ""));
    Program c(dir.path(), true, "");
    EXPECT_TRUE(c.data->OwnersTable->Locate("OwnerName", Variant(std::string("Peter")), {}));
}

TEST_F(UsersTest, VersionMarkerRecordsAndTheMigrationFlag) {
    // Written when missing: version text and "uncopied", zero padded.
    const DataVersion fresh = CheckDataVersion(dir.path());
    EXPECT_TRUE(fresh.MigrationNeeded);
    EXPECT_EQ(fresh.Version, "KV-Zirt 3.5");
    std::string expected(102, '\0');
    expected.replace(0, 12, "\x0BKV-Zirt 3.5");
    expected.replace(51, 9, "\x08uncopied");
    EXPECT_EQ(ReadWholeFile(dir.path() / "version.inf"), expected);

    WriteDataVersion(dir.path(), kCopiedState);
    EXPECT_FALSE(CheckDataVersion(dir.path()).MigrationNeeded);
    // An old marker with padding of whatever was in the buffer, and a longer file.
    std::string old = expected + std::string(102, 'z');
    old.replace(12, 39, std::string(39, '\xCC'));
    old.replace(51, 7, "\x06" "copied");
    WriteFileDurably(dir.path() / "VERSION.INF", old);
    fs::remove(dir.path() / "version.inf");
    EXPECT_FALSE(CheckDataVersion(dir.path()).MigrationNeeded);
    old[51] = 3; // another state leaves the flag off
    WriteFileDurably(dir.path() / "VERSION.INF", old);
    EXPECT_FALSE(CheckDataVersion(dir.path()).MigrationNeeded);
    WriteFileDurably(dir.path() / "VERSION.INF", old.substr(0, 101));
    EXPECT_THROW(CheckDataVersion(dir.path()), FileError);
    EXPECT_EQ(TVersionInfoRec::Decode(TVersionInfoRec{std::string(60, 'v'), "copied"}.Encode(), "x").Version,
              std::string(50, 'v'));
}

} // namespace
} // namespace kvz
