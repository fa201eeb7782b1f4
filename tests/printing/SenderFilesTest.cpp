#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "printing/SenderFiles.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sys/stat.h>

namespace kvz {
namespace {

TEST(SenderFiles, OnlyTheSenderNamesCount) {
    struct Case {
        const char* name;
        bool sender;
    };
    for (const Case& c : {Case{"Odos.txt", true}, {"Odos1.txt", true}, {"Odos12.txt", true}, {"Odos01.txt", false},
                          {"Odos0.txt", false}, {"odos.txt", false}, {"Odos.TXT", false}, {"MyOdosOld.doc", false},
                          {"Odos1.txt.bak", false}, {"Odosx.txt", false}, {"Odos-1.txt", false}, {"Odos", false},
                          {"Odos 2.txt", false}, {"Odos1234567890.txt", false}})
        EXPECT_EQ(IsSenderFileName(c.name), c.sender) << c.name;
}

TEST(SenderFiles, ScanListsSenderFilesByNumber) {
    TempFolder folder;
    for (const char* name : {"Odos2.txt", "Odos.txt", "Odos10.txt", "MyOdosOld.doc", "Odos1.txt.bak", "Odos01.txt"})
        WriteFileDurably(folder.path() / name, "x\r\n");
    // A folder with a sender's name is not a sender: Delete must never reach it.
    std::filesystem::create_directory(folder.path() / "Odos3.txt");
    TSenderFiles senders(folder.path());
    senders.Scan();
    EXPECT_EQ(senders.Names(), (std::vector<std::string>{"Odos.txt", "Odos2.txt", "Odos10.txt"}));
    EXPECT_EQ(senders.NextName(), "Odos1.txt");
    EXPECT_EQ(*senders.FileAt(1), folder.path() / "Odos2.txt");
    // A stored index beyond the list (files removed meanwhile) is the first file.
    EXPECT_EQ(*senders.FileAt(7), folder.path() / "Odos.txt");
    EXPECT_EQ(senders.ValidIndex(-1), 0);
}

TEST(SenderFiles, NextNameNeverOverwritesAListedFile) {
    TempFolder folder;
    TSenderFiles senders(folder.path());
    senders.Scan();
    EXPECT_EQ(senders.Count(), 0);
    EXPECT_FALSE(senders.FileAt(0));
    EXPECT_EQ(senders.NextName(), "Odos.txt");
    for (const char* name : {"Odos1.txt", "Odos.txt", "Odos2.txt"}) WriteFileDurably(folder.path() / name, "");
    senders.Scan();
    EXPECT_EQ(senders.NextName(), "Odos3.txt");
}

// A pipe, a device or a folder that bears a sender's name keeps its name: a new sender never
// takes it (writing it would put a file in place of the pipe).
TEST(SenderFiles, NextNameSkipsNamesOfPipesAndFolders) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder.path() / "Odos.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", folder.path() / "Odos1.txt");
    std::filesystem::create_directory(folder.path() / "Odos2.txt");
    WriteFileDurably(folder.path() / "Odos4.txt", "x\r\n");
    TSenderFiles senders(folder.path());
    senders.Scan();
    EXPECT_EQ(senders.Names(), (std::vector<std::string>{"Odos4.txt"}));
    EXPECT_EQ(senders.NextName(), "Odos3.txt");
}

// The next free name among many senders is found in one pass over the names, not one pass
// for each number tried.
TEST(SenderFiles, NextNameAmongManySenders) {
    TempFolder folder;
    constexpr int count = 20000;
    for (int i = 0; i < count; ++i)
        if (i != count - 7) std::ofstream(folder.path() / (i ? "Odos" + std::to_string(i) + ".txt" : "Odos.txt"));
    TSenderFiles senders(folder.path());
    senders.Scan();
    ASSERT_EQ(senders.Count(), count - 1);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(senders.NextName(), "Odos" + std::to_string(count - 7) + ".txt");
    // The pass over every number before the free one took seconds here.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

// The data code page with CR LF after every line, byte for byte, and back.
TEST(SenderFiles, TextIsWindows1250WithCrLf) {
    ASSERT_EQ(DataCodePage(), 1250);
    TempFolder folder;
    const auto file = folder.path() / "Odos.txt";
    struct Case {
        const char* text;
        std::string bytes;
        const char* back;
    };
    for (const Case& c : {Case{"Ján Novák\nŽilina", "J\xE1n Nov\xE1k\r\n\x8Eilina\r\n", "Ján Novák\nŽilina"},
                          {"Čížek s.r.o.\r\nĽubochňa\r\n", "\xC8\xED\x9E" "ek s.r.o.\r\n\xBCuboch\xF2" "a\r\n",
                           "Čížek s.r.o.\nĽubochňa"},
                          {"one\n\ntwo", "one\r\n\r\ntwo\r\n", "one\n\ntwo"},
                          {"", "", ""}}) {
        SaveSenderText(file, c.text);
        EXPECT_EQ(ReadWholeFile(file), c.bytes) << c.text;
        EXPECT_EQ(LoadSenderText(file), c.back) << c.text;
    }
}

TEST(SenderFiles, TextTheCodePageCannotHoldIsRefusedAndTheFileStays) {
    TempFolder folder;
    const auto file = folder.path() / "Odos.txt";
    SaveSenderText(file, "Ján");
    EXPECT_THROW(SaveSenderText(file, "Ján 日本"), CodePageError);
    EXPECT_EQ(ReadWholeFile(file), "J\xE1n\r\n");
}

} // namespace
} // namespace kvz
