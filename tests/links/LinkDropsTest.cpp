#include "links/LinkDrops.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kvz {
namespace {

constexpr TDragTypes kAll = DragTypes({TDragType::dtCopy, TDragType::dtMove, TDragType::dtLink});
constexpr TDragTypes kCopy = DragTypes({TDragType::dtCopy});
constexpr TDragTypes kLink = DragTypes({TDragType::dtLink});

TEST(LinkDrops, TheDropEffectFollowsTheKeysAndWhatBothSidesAllow) {
    struct Case {
        TDragTypes accepted;
        bool shift, ctrl;
        uint32_t allowed, effect;
    } cases[] = {
        {kAll, false, false, 7, DROPEFFECT_COPY},
        {kAll, true, true, 7, DROPEFFECT_LINK},
        {kAll, true, false, 7, DROPEFFECT_MOVE},
        {kAll, true, true, DROPEFFECT_COPY, DROPEFFECT_COPY},  // Shift+Ctrl, only copy allowed
        {kAll, true, false, DROPEFFECT_COPY | DROPEFFECT_LINK, DROPEFFECT_COPY},
        {kAll, false, false, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE},
        {0, false, false, 7, DROPEFFECT_NONE},                  // a target that takes nothing
        {kLink, false, false, 7, DROPEFFECT_LINK},              // the address zone
        {kLink, false, false, DROPEFFECT_COPY, DROPEFFECT_NONE},
        {kCopy, true, true, 7, DROPEFFECT_COPY},                // the file zone
        {kCopy, false, false, DROPEFFECT_MOVE, DROPEFFECT_NONE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseDropEffect(c.accepted, c.shift, c.ctrl, c.allowed), c.effect)
            << c.accepted << " " << c.shift << c.ctrl << " " << c.allowed;
}

TEST(LinkDrops, TheShortcutReaderTakesTheUrlLineOfItsSectionWhateverTheLineEnds) {
    struct Case {
        const char* name;
        std::string content;
        std::string url;
        DropRefusal refusal;
    } cases[] = {
        {"CR LF", "[InternetShortcut]\r\nURL=https://example.org/a\r\n", "https://example.org/a", DropRefusal::None},
        {"LF", "[InternetShortcut]\nURL=https://example.org/b\n", "https://example.org/b", DropRefusal::None},
        {"CR", "[InternetShortcut]\rURL=https://example.org/c", "https://example.org/c", DropRefusal::None},
        {"case and other keys", "[DEFAULT]\r\nBASEURL=x\r\n[internetshortcut]\r\nIconIndex=0\r\nurl=http://e.org/\r\n",
         "http://e.org/", DropRefusal::None},
        {"blanks around", "  [InternetShortcut]  \nURL=  http://e.org/x  \n", "http://e.org/x", DropRefusal::None},
        {"next section first", "[InternetShortcut]\r\n[Other]\r\nURL=http://no/\r\n", "", DropRefusal::NoUrlLine},
        {"no url line", "[InternetShortcut]\r\nIconFile=a.ico\r\n", "", DropRefusal::NoUrlLine},
        {"section last", "URL=http://before/\r\n[InternetShortcut]", "", DropRefusal::NoUrlLine},
        {"no section", "URL=http://x/\r\n", "", DropRefusal::NoUrlLine},
        {"empty url", "[InternetShortcut]\nURL=\n", "", DropRefusal::NoUrlLine},
        {"empty file", "", "", DropRefusal::NoUrlLine},
        {"binary", std::string("[InternetShortcut]\nURL=http://a/\n\0\x01", 35), "", DropRefusal::Binary},
        {"control character", "[InternetShortcut]\nURL=http://a/\x07x\n", "", DropRefusal::ControlCharacters},
        {"huge", "[InternetShortcut]\nURL=http://a/\n" + std::string(kMaxShortcutBytes, 'x'), "", DropRefusal::TooLarge},
        {"too long", "[InternetShortcut]\nURL=http://a/" + std::string(300, 'x') + "\n", "", DropRefusal::TooLong},
    };
    for (const Case& c : cases) {
        const ShortcutReading r = ReadInternetShortcut(c.content);
        EXPECT_EQ(r.Url, c.url) << c.name;
        EXPECT_EQ(r.Refusal, c.refusal) << c.name;
    }
}

TEST(LinkDrops, ShortcutFilesAreReadFromDiskWithinTheirLimit) {
    TempFolder dir;
    auto write = [&](const char* name, const std::string& content) {
        std::ofstream(dir.path() / name, std::ios::binary) << content;
        return (dir.path() / name).string();
    };
    std::string url;
    EXPECT_TRUE(ReadInternetShortcutFile(write("crlf.url", "[InternetShortcut]\r\nURL=https://kv.example/\r\n"), url));
    EXPECT_EQ(url, "https://kv.example/");
    url = "kept";
    EXPECT_FALSE(ReadInternetShortcutFile(write("none.url", "[InternetShortcut]\r\n"), url));
    EXPECT_EQ(url, "kept");
    EXPECT_EQ(ReadInternetShortcutFile(std::filesystem::path(write("big.url", std::string(kMaxShortcutBytes + 1, 'a')))).Refusal,
              DropRefusal::TooLarge);
    EXPECT_EQ(ReadInternetShortcutFile(dir.path() / "missing.url").Refusal, DropRefusal::Unreadable);
    EXPECT_EQ(ReadInternetShortcutFile(dir.path()).Refusal, DropRefusal::Unreadable); // a folder
}

TEST(LinkDrops, DroppedFileNamesMustBeWholePathsOfPlainText) {
    struct Case {
        std::string name;
        DropRefusal refusal;
    } cases[] = {
        {"/home/jano/Dokumenty/ponuka.pdf", DropRefusal::None},
        {"/home/jano/Dokumenty/Účty 2025.xlsx", DropRefusal::None},
        {"/home/jano/../root/secret", DropRefusal::RelativePath},
        {"/home/jano/..", DropRefusal::RelativePath},
        {"/home/./jano", DropRefusal::RelativePath},
        {"Dokumenty/ponuka.pdf", DropRefusal::RelativePath},
        {"../ponuka.pdf", DropRefusal::RelativePath},
        {"", DropRefusal::RelativePath},
        {"/home/jano/a..b", DropRefusal::None},
        {"/tmp/line\nbreak", DropRefusal::ControlCharacters},
        {"/tmp/\xC2\x85next", DropRefusal::ControlCharacters}, // U+0085
        {"/tmp/\xFF\xFE", DropRefusal::NotUtf8},
        {"/" + std::string(255, 'a'), DropRefusal::TooLong},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckDroppedFile(c.name), c.refusal) << c.name;
}

TEST(LinkDrops, UrisAreSplitAndDecoded) {
    EXPECT_EQ(PercentDecode("a%20b%2Fc%zz%4"), "a b/c%zz%4");
    EXPECT_EQ(ParseUriList("# comment\r\nfile:///a/b.url\r\n\r\n  https://e.org/  \r\n"),
              (std::vector<std::string>{"file:///a/b.url", "https://e.org/"}));
    EXPECT_EQ(LocalFileOfUri("file:///home/jano/Moje%20odkazy/kv.url"), "/home/jano/Moje odkazy/kv.url");
    EXPECT_EQ(LocalFileOfUri("file://localhost/tmp/a"), "/tmp/a");
    EXPECT_EQ(LocalFileOfUri("file:/tmp/a?x#y"), "/tmp/a");
    EXPECT_EQ(LocalFileOfUri("file://server/share/a"), "");
    EXPECT_EQ(LocalFileOfUri("https://e.org/a"), "");
}

TEST(LinkDrops, ADroppedAddressComesFromTheFirstFormThatHoldsOne) {
    auto shortcuts = [](const std::string& file) -> ShortcutReading {
        if (file == "/home/jano/KV Zirt.url") return ReadInternetShortcut("[InternetShortcut]\r\nURL=https://kvzirt.example/\r\n");
        return {{}, DropRefusal::NoUrlLine};
    };
    struct Case {
        const char* name;
        AddressPayload payload;
        std::string url, title;
        DropRefusal refusal;
    } cases[] = {
        {"address and title", {"https://e.org/page\nThe page", "", ""}, "https://e.org/page", "The page", DropRefusal::None},
        {"address alone", {"https://e.org/page", "", ""}, "https://e.org/page", "https://e.org/page", DropRefusal::None},
        {"uri list", {"", "#c\r\nhttps://e.org/a\r\nhttps://e.org/b\r\n", ""}, "https://e.org/a", "https://e.org/a", DropRefusal::None},
        {"shortcut file", {"", "file:///home/jano/KV%20Zirt.url\r\n", ""}, "https://kvzirt.example/", "KV Zirt", DropRefusal::None},
        {"shortcut without url", {"", "file:///home/jano/empty.URL\r\n", ""}, "", "", DropRefusal::NoUrlLine},
        {"another file", {"", "file:///home/jano/a.pdf\r\n", ""}, "", "", DropRefusal::NothingUsable},
        {"climbing shortcut", {"", "file:///home/jano/../x.url\r\n", ""}, "", "", DropRefusal::RelativePath},
        {"plain text", {"", "", "\n  www.example.org  \nsecond"}, "www.example.org", "www.example.org", DropRefusal::None},
        {"control characters", {"", "", "http://e.org/\x1b[2J"}, "", "", DropRefusal::ControlCharacters},
        {"bad first, good later", {"http://a/\x01", "", "http://b/"}, "http://b/", "http://b/", DropRefusal::None},
        {"nothing", {"", "", "   \r\n"}, "", "", DropRefusal::NothingUsable},
        {"a file as text", {"", "", "file:///home/jano/a.pdf"}, "", "", DropRefusal::NothingUsable},
        {"title with control", {"http://a/\n\x01title", "", ""}, "http://a/", "http://a/", DropRefusal::None},
    };
    for (const Case& c : cases) {
        const DroppedAddress a = ReadDroppedAddress(c.payload, shortcuts);
        EXPECT_EQ(a.Url, c.url) << c.name;
        EXPECT_EQ(a.Title, c.title) << c.name;
        EXPECT_EQ(a.Refusal, c.refusal) << c.name;
    }
}

} // namespace
} // namespace kvz
