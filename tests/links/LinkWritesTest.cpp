#include "links/LinkWrites.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/LockFile.h"

#include "KillTesting.h"
#include "LinksTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kvz {
namespace {

class LinkWritesTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        program = std::make_unique<LinksProgram>(dir.path(), false);
    }
    void TearDown() override {
        program.reset();
        SetLanguage(2);
    }
    std::string FileBytes(TableId id) { return ReadWholeFile(program->data->TableFileName(id)); }

    TempFolder dir;
    std::unique_ptr<LinksProgram> program;
};

TEST_F(LinkWritesTest, ANewLinkAddsItsTypeOnceAndLetterCaseMakesADifferentType) {
    LinksProgram& p = *program;
    const size_t links = p.Column("Name").size();
    LinkSaveResult r = AddLink(p.Tables(), {"Offer", "/home/jano/offer.pdf", "PDF document", "for Monday"});
    EXPECT_TRUE(r.Saved);
    EXPECT_TRUE(r.TypeAdded);
    EXPECT_EQ(p.Links().FieldByName("Number").AsString(), r.RecordCode);
    EXPECT_EQ(p.Links().FieldByName("User").AsString(), "Jano");
    r = AddLink(p.Tables(), {"Offer 2", "/home/jano/offer2.pdf", "PDF document", ""});
    EXPECT_FALSE(r.TypeAdded);
    r = AddLink(p.Tables(), {"Offer 3", "/home/jano/offer3.pdf", "pdf document", ""});
    EXPECT_TRUE(r.TypeAdded);
    // No type, no type row; no name, no link.
    EXPECT_FALSE(AddLink(p.Tables(), {"Untyped", "/tmp/x", "", ""}).TypeAdded);
    EXPECT_FALSE(AddLink(p.Tables(), {"", "/tmp/y", "Other", ""}).Saved);
    EXPECT_EQ(p.Column("Name").size(), links + 4);
    const std::vector<std::string> types = p.TypeNames();
    EXPECT_EQ(std::count(types.begin(), types.end(), "PDF document"), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), "pdf document"), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), "Other"), 0);
    // What was written is what a fresh program reads.
    LinksProgram again(dir.path(), false);
    EXPECT_EQ(again.Column("Name").size(), links + 4);
}

TEST_F(LinkWritesTest, ValuesALinkCannotHoldAreRefusedBeforeAnythingIsWritten) {
    LinksProgram& p = *program;
    const std::string links = FileBytes(TableId::Links), types = FileBytes(TableId::LinksType);
    const LinkValues bad[] = {
        {"Long path", "/" + std::string(255, 'p'), "T", ""},
        {std::string(51, 'n'), "/tmp/a", "T", ""},
        {"Long type", "/tmp/a", std::string(41, 't'), ""},
        {"Control", "http://e.org/\x1b[2J", "T", ""},
        {"Not text", "/tmp/\xFF", "T", ""},
    };
    for (const LinkValues& v : bad) {
        EXPECT_THROW(AddLink(p.Tables(), v), EDatabaseError) << v.Name;
        EXPECT_EQ(FileBytes(TableId::Links), links) << v.Name;
        EXPECT_EQ(FileBytes(TableId::LinksType), types) << v.Name;
    }
    // Counted in characters: 255 letters with accents fit.
    std::string accents;
    for (int i = 0; i < 254; ++i) accents += "č";
    EXPECT_TRUE(AddLink(p.Tables(), {"Accents", "/" + accents, "", ""}).Saved);
}

// The window filters the links by the type being renamed and may sort them by type: every link
// of the type changes, and no other.
TEST_F(LinkWritesTest, RenamingATypeUsedByAThousandLinksChangesEveryOne) {
    LinksProgram& p = *program;
    std::vector<LinkRow> rows;
    for (int i = 0; i < 1000; ++i) rows.push_back({"Doc " + std::to_string(i), "/d/" + std::to_string(i) + ".odt", "Documents", ""});
    for (int i = 0; i < 10; ++i) rows.push_back({"Other " + std::to_string(i), "/o/" + std::to_string(i), "Documents old", ""});
    p.AddLinks(rows);
    p.AddTypes({"Documents", "Documents old"});
    TVolgaTable& links = p.Links();
    links.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("Type").AsString() == "Documents"; });
    links.SetIndexFieldNames("Type");
    links.SetFiltered(true);
    ASSERT_EQ(links.RecordCount(), 1000);
    TVolgaTable& types = p.Types();
    ASSERT_TRUE(types.Locate("LinksType", Variant("Documents"), 0));
    const LinkTypeKey key{types.FieldByName("Number").AsString(), "Documents"};
    EXPECT_EQ(RenameLinkType(p.Tables(), key, "Papers"), 1000);
    links.SetFiltered(false);
    const std::vector<std::string> all = p.Column("Type");
    EXPECT_EQ(std::count(all.begin(), all.end(), "Papers"), 1000);
    EXPECT_EQ(std::count(all.begin(), all.end(), "Documents"), 0);
    EXPECT_EQ(std::count(all.begin(), all.end(), "Documents old"), 10);
    const std::vector<std::string> names = p.TypeNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Papers"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Documents old"), 1);
    // A fresh program reads the same.
    LinksProgram again(dir.path(), false);
    const std::vector<std::string> read = again.Column("Type");
    EXPECT_EQ(std::count(read.begin(), read.end(), "Papers"), 1000);
}

TEST_F(LinkWritesTest, TypesAreFoundByTheirExactKeyAndDeletingOneKeepsItsLinks) {
    LinksProgram& p = *program;
    p.AddTypes({"Doc", "Docs"});
    p.AddLinks({{"A", "/a", "Doc", ""}, {"B", "/b", "Docs", ""}});
    TVolgaTable& types = p.Types();
    ASSERT_TRUE(types.Locate("LinksType", Variant("Docs"), 0));
    const LinkTypeKey docs{types.FieldByName("Number").AsString(), "Docs"};
    // Nothing changes for no type, the same text or an empty one.
    EXPECT_EQ(RenameLinkType(p.Tables(), {}, "X"), 0);
    EXPECT_EQ(RenameLinkType(p.Tables(), docs, "Docs"), 0);
    EXPECT_EQ(RenameLinkType(p.Tables(), docs, ""), 0);
    EXPECT_FALSE(DeleteLinkType(p.Tables(), {}));
    EXPECT_TRUE(DeleteLinkType(p.Tables(), docs));
    std::vector<std::string> names = p.TypeNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Doc"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Docs"), 0);
    EXPECT_EQ(p.Column("Type"), (std::vector<std::string>{"HTML Document", "Doc", "Docs"}));
    // A type another user removed is reported, not replaced by a neighbour.
    EXPECT_THROW(DeleteLinkType(p.Tables(), docs), EDatabaseError);
    EXPECT_THROW(RenameLinkType(p.Tables(), docs, "New"), EDatabaseError);
    names = p.TypeNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "New"), 0);
}

TEST_F(LinkWritesTest, ChangingALinkKeepsItsUserAndAddsNoType) {
    LinksProgram& p = *program;
    p.AddLinks({{"A", "/a", "T", ""}});
    TVolgaTable& links = p.Links();
    links.Last();
    const std::string code = links.FieldByName("Number").AsString();
    const size_t types = p.TypeNames().size();
    links.Edit();
    links.FieldByName("User").SetAsString("Fero");
    links.Post();
    links.ApplyChanges();
    links.CommitChanges();
    ChangeLink(p.Tables(), code, {"A2", "/a2", "Brand new type", "n"});
    ASSERT_TRUE(links.Locate("Number", Variant(code), 0));
    EXPECT_EQ(links.FieldByName("Name").AsString(), "A2");
    EXPECT_EQ(links.FieldByName("Type").AsString(), "Brand new type");
    EXPECT_EQ(links.FieldByName("User").AsString(), "Fero");
    EXPECT_EQ(p.TypeNames().size(), types);
    EXPECT_THROW(ChangeLink(p.Tables(), "GONE0001", {"X", "/x", "", ""}), EDatabaseError);
    EXPECT_THROW(ChangeLink(p.Tables(), "", {"X", "/x", "", ""}), EDatabaseError);
}

// A link typed in place is posted by the table's next move: while it is open every write of
// the module refuses, writes nothing, and Cancel still puts the row back.
TEST_F(LinkWritesTest, NothingIsWrittenWhileALinkIsTypedInPlace) {
    LinksProgram& p = *program;
    p.AddTypes({"Documents"});
    p.AddLinks({{"Offer", "/home/jano/offer.pdf", "Documents", "as it was"}});
    const std::string links = FileBytes(TableId::Links), types = FileBytes(TableId::LinksType);
    TVolgaTable& t = p.Links();
    ASSERT_TRUE(t.Locate("Name", Variant("Offer"), 0));
    const std::string code = t.FieldByName("Number").AsString();
    ASSERT_TRUE(p.Types().Locate("LinksType", Variant("Documents"), 0));
    const LinkTypeKey key{p.Types().FieldByName("Number").AsString(), "Documents"};
    t.Edit();
    t.FieldByName("Note").SetAsString("half typed");
    const std::function<void()> writes[] = {
        [&] { AddLink(p.Tables(), {"Dropped", "https://e.org/", "Web", ""}); },
        [&] { ChangeLink(p.Tables(), code, {"Offer", "/x", "", ""}); },
        [&] { AddLinkType(p.Tables(), "New type"); },
        [&] { RenameLinkType(p.Tables(), key, "Papers"); },
        [&] { DeleteLinkType(p.Tables(), key); },
    };
    for (size_t i = 0; i < std::size(writes); ++i) {
        EXPECT_THROW(
            try { writes[i](); } catch (const EDatabaseError& e) {
                EXPECT_STREQ(e.what(), "A link is being edited: save or cancel it first. Nothing was written.");
                throw;
            },
            EDatabaseError)
            << i;
        EXPECT_EQ(t.State(), dsEdit) << i;
    }
    EXPECT_EQ(FileBytes(TableId::Links), links);
    EXPECT_EQ(FileBytes(TableId::LinksType), types);
    t.Cancel();
    EXPECT_EQ(t.FieldByName("Note").AsString(), "as it was");
}

// A rename cut after the type table was written (here the links file refuses the write) keeps
// its journal; the next start finishes it, and a finish run again changes nothing more.
TEST_F(LinkWritesTest, ARenameCutAfterTheTypeTableIsFinishedAtTheNextStart) {
    LinksProgram& p = *program;
    p.AddTypes({"Documents", "Web"});
    p.AddLinks({{"A", "/a", "Documents", ""}, {"B", "/b", "Documents", ""}, {"C", "https://c/", "Web", ""}});
    ASSERT_TRUE(p.Types().Locate("LinksType", Variant("Documents"), 0));
    const LinkTypeKey key{p.Types().FieldByName("Number").AsString(), "Documents"};
    const std::filesystem::path linksFile = p.data->TableFileName(TableId::Links);
    std::filesystem::permissions(linksFile, std::filesystem::perms(0444));
    EXPECT_THROW(RenameLinkType(p.Tables(), key, "Papers"), EDatabaseError);
    std::filesystem::permissions(linksFile, std::filesystem::perms(0644));
    const std::filesystem::path journal = LinkRenameJournal(p.Tables());
    ASSERT_TRUE(std::filesystem::exists(journal));
    {
        LinksProgram cut(dir.path(), false);
        EXPECT_EQ(cut.TypeNames(), (std::vector<std::string>{"HTML Document", "Papers", "Web"}));
        EXPECT_EQ(cut.Column("Type"), (std::vector<std::string>{"HTML Document", "Documents", "Documents", "Web"}));
    }
    for (int run = 0; run < 2; ++run) {
        LinksProgram next(dir.path(), false);
        EXPECT_TRUE(FinishLinkTypeRename(next.Tables()));
        EXPECT_FALSE(std::filesystem::exists(journal));
        EXPECT_EQ(next.TypeNames(), (std::vector<std::string>{"HTML Document", "Papers", "Web"}));
        EXPECT_EQ(next.Column("Type"), (std::vector<std::string>{"HTML Document", "Papers", "Papers", "Web"}));
    }
}

// A journal cut while it was written records nothing the tables saw: it goes, nothing changes.
// A rename under way in another program (its journal locked) is neither finished nor joined.
TEST_F(LinkWritesTest, ACutJournalIsDroppedAndARenameUnderWayElsewhereIsLeftToIt) {
    LinksProgram& p = *program;
    p.AddTypes({"Documents"});
    p.AddLinks({{"A", "/a", "Documents", ""}});
    const std::filesystem::path journal = LinkRenameJournal(p.Tables());
    const std::string types = FileBytes(TableId::LinksType), links = FileBytes(TableId::Links);
    for (const char* cut : {"", "KV-Zirt link type rename 1\n", "KV-Zirt link type rename 1\n3132\n446f63\n5061"}) {
        WriteFileDurably(journal, cut);
        EXPECT_TRUE(FinishLinkTypeRename(p.Tables())) << cut;
        EXPECT_FALSE(std::filesystem::exists(journal)) << cut;
        EXPECT_EQ(FileBytes(TableId::LinksType), types) << cut;
        EXPECT_EQ(FileBytes(TableId::Links), links) << cut;
    }
    ASSERT_TRUE(p.Types().Locate("LinksType", Variant("Documents"), 0));
    const LinkTypeKey key{p.Types().FieldByName("Number").AsString(), "Documents"};
    FileLock elsewhere = TryLockFile(journal);
    ASSERT_TRUE(elsewhere.Held());
    EXPECT_FALSE(FinishLinkTypeRename(p.Tables()));
    try {
        RenameLinkType(p.Tables(), key, "Papers");
        ADD_FAILURE() << "a second rename ran beside the first";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "A link type is being renamed in another program. Try again later.");
    }
    elsewhere.Release();
    EXPECT_EQ(RenameLinkType(p.Tables(), key, "Papers"), 1);
    EXPECT_FALSE(std::filesystem::exists(journal));
}

// A rename of a type of 50,000 links killed at random moments, in local and network mode:
// after the next start's finish the type and every one of its links bear one name, the old
// or the new, and the other links keep theirs.
TEST_F(LinkWritesTest, ARenameKilledAnywhereLeavesOneNameAfterTheNextStart) {
    constexpr int kLinks = 50000, kOthers = 100;
    std::string number;
    {
        LinksProgram& p = *program;
        std::vector<LinkRow> rows;
        for (int i = 0; i < kLinks; ++i)
            rows.push_back({"Doc " + std::to_string(i), "/d/" + std::to_string(i), "T0", ""});
        for (int i = 0; i < kOthers; ++i)
            rows.push_back({"Other " + std::to_string(i), "/o/" + std::to_string(i), "Other", ""});
        p.AddLinks(rows);
        p.AddTypes({"T0", "Other"});
        ASSERT_TRUE(p.Types().Locate("LinksType", Variant("T0"), 0));
        number = p.Types().FieldByName("Number").AsString();
    }
    program.reset();
    // How long a whole rename takes here, so that the kills fall anywhere in it.
    std::chrono::microseconds took{};
    {
        LinksProgram p(dir.path(), false);
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(RenameLinkType(p.Tables(), {number, "T0"}, "T1"), kLinks);
        took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    }
    std::string current = "T1";
    std::mt19937 random(20261211);
    int renamed = 0, kept = 0;
    for (int round = 2; round < 14; ++round) {
        const std::string next = "T" + std::to_string(round);
        ASSERT_NO_FATAL_FAILURE(testing::KillAtRandom(random, took, [&](const std::function<void()>& ready) {
            LinksProgram p(dir.path(), round % 2 == 0);
            ready();
            RenameLinkType(p.Tables(), {number, current}, next);
        }));

        LinksProgram start(dir.path(), round % 3 == 0);
        ASSERT_TRUE(FinishLinkTypeRename(start.Tables())) << "round " << round;
        EXPECT_FALSE(std::filesystem::exists(LinkRenameJournal(start.Tables()))) << "round " << round;
        ASSERT_TRUE(start.Types().Locate("Number", Variant(number), 0));
        const std::string name = start.Types().FieldByName("LinksType").AsString();
        ASSERT_TRUE(name == current || name == next) << "round " << round << ": " << name;
        const std::vector<std::string> types = start.Column("Type");
        EXPECT_EQ(std::count(types.begin(), types.end(), name), kLinks) << "round " << round;
        EXPECT_EQ(std::count(types.begin(), types.end(), "Other"), kOthers) << "round " << round;
        ++(name == next ? renamed : kept);
        current = name;
    }
    EXPECT_GT(renamed, 0);
}

class NetworkLinkWritesTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        SetLanguage(1);
        first = std::make_unique<LinksProgram>(dir.path(), true);
        second = std::make_unique<LinksProgram>(dir.path(), true);
    }
    void TearDown() override {
        first.reset();
        second.reset();
        SetLanguage(2);
    }
    TempFolder dir;
    std::unique_ptr<LinksProgram> first, second;
};

TEST_F(NetworkLinkWritesTest, TwoProgramsAddingLinksToOneFolderLoseNone) {
    const size_t before = first->Column("Name").size();
    for (int i = 0; i < 5; ++i) {
        AddLink(first->Tables(), {"First " + std::to_string(i), "/f" + std::to_string(i), "Shared type", ""});
        AddLink(second->Tables(), {"Second " + std::to_string(i), "/s" + std::to_string(i), "Shared type", ""});
    }
    second->Links().Refresh();
    std::vector<std::string> names = second->Column("Name");
    EXPECT_EQ(names.size(), before + 10);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(std::count(names.begin(), names.end(), "First " + std::to_string(i)), 1);
        EXPECT_EQ(std::count(names.begin(), names.end(), "Second " + std::to_string(i)), 1);
    }
    // The type was new to both, and is in the type table once.
    second->Types().Refresh();
    const std::vector<std::string> types = second->TypeNames();
    EXPECT_EQ(std::count(types.begin(), types.end(), "Shared type"), 1);
    // Record codes stay unique.
    std::vector<std::string> codes = second->Column("Number");
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
}

// A lock another program holds is waited for within bounds, and a wait the user gives up
// writes nothing.
TEST_F(NetworkLinkWritesTest, AHeldLockIsWaitedForWithinBoundsAndCanBeGivenUp) {
    const std::filesystem::path lock = second->data->LockFileName(TableId::Links);
    ASSERT_TRUE(second->locks.LockTableFile(lock));
    const size_t before = first->Column("Name").size();
    first->locks.UnattendedWaitLimit = std::chrono::milliseconds(200);
    EXPECT_THROW(AddLink(first->Tables(), {"Waits", "/w", "", ""}), FileError);
    int waits = 0;
    first->locks.OnWait = [&] { return ++waits < 3; };
    EXPECT_THROW(AddLink(first->Tables(), {"Given up", "/g", "", ""}), EAbort);
    EXPECT_EQ(waits, 3);
    second->locks.UnlockTableFile();
    first->Links().Refresh();
    EXPECT_EQ(first->Column("Name").size(), before);
    EXPECT_EQ(first->Links().ChangeCount(), 0);
}

} // namespace
} // namespace kvz
