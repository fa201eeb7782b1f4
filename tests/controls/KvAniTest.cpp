#include "controls/KvAni.h"
#include "controls/KvGIF.h"
#include "controls/KvGraph.h"
#include "controls/KvImageBytes.h"
#include "controls/KvReduce.h"
#include "PictureTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Timer.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace kvz {
namespace {

using namespace kvz::testing;
namespace fs = std::filesystem;

std::string Chunk(std::string_view id, const std::string& data) {
    std::string out(id);
    PutLong(out, uint32_t(data.size()));
    out += data;
    if (data.size() % 2) out += '\0';
    return out;
}
std::string Longs(std::initializer_list<uint32_t> values) {
    std::string out;
    for (uint32_t v : values) PutLong(out, v);
    return out;
}
std::string Anih(uint32_t frames, uint32_t steps, uint32_t rate, uint32_t flags = 1, size_t size = 36) {
    std::string data = Longs({uint32_t(size), frames, steps, 0, 0, 0, 0, rate, flags});
    data.resize(size, 'x');
    return Chunk("anih", data);
}
std::string Riff(const std::string& chunks) {
    std::string out = "RIFF";
    PutLong(out, uint32_t(chunks.size() + 4));
    return out + "ACON" + chunks;
}
std::string Fram(const std::vector<std::string>& icons) {
    std::string list = "fram";
    for (const std::string& icon : icons) list += Chunk("icon", icon);
    return Chunk("LIST", list);
}

class AniTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        // An 8-bit cursor with its hot spot and a plain icon, made by the icon tools.
        RunTool("cd '" + folder.path().string() + "' && /usr/bin/convert -size 16x16 xc:red -fill blue "
            "-draw 'rectangle 0,0 7,7' a.png && /usr/bin/convert -size 16x16 xc:lime -fill black "
            "-draw 'rectangle 8,8 15,15' b.png && icotool -c -b 8 --cursor -X 3 -Y 5 -o a.cur a.png && "
            "icotool -c -b 8 -o b.ico b.png");
        cursor = ReadBytes(folder.path() / "a.cur");
        icon = ReadBytes(folder.path() / "b.ico");
        red.load(QString::fromStdString((folder.path() / "a.png").string()));
        green.load(QString::fromStdString((folder.path() / "b.png").string()));
    }
    TempFolder folder;
    std::string cursor, icon;
    QImage red, green;
};

TEST_F(AniTest, FramesFollowTheStepsRatesAndNames) {
    std::string info = Chunk("LIST", "INFO" + Chunk("INAM", std::string("Busy\0", 5)) + Chunk("IART", "Someone"));
    std::string file = Riff(Anih(3, 3, 10, 1, 40) + Chunk("rate", Longs({6, 12, 30, 99})) +
                            Chunk("seq ", Longs({0, 1, 0})) + info + Fram({cursor, icon}));
    TAnimatedCursorImage ani;
    ani.LoadFromStream(file);
    ASSERT_EQ(ani.FrameCount(), 3);
    EXPECT_EQ(ani.AniHeader.Steps, 3u);
    EXPECT_EQ(ani.AniHeader.DisplayRate, 10u); // the first 36 bytes of a longer header
    EXPECT_EQ(ani.CursorName, "Busy");
    EXPECT_EQ(ani.Artist, "Someone");
    EXPECT_EQ(ani.SourceColors, 256);
    // Steps 0 and 2 show the cursor, step 1 the icon.
    EXPECT_EQ(FrameLines(ani.FrameIcon(0)->Image()), FrameLines(red));
    EXPECT_EQ(FrameLines(ani.FrameIcon(2)->Image()), FrameLines(red));
    EXPECT_EQ(FrameLines(ani.FrameIcon(1)->Image()), FrameLines(green));
    EXPECT_FALSE(ani.Frame(0).FromIcon);
    EXPECT_EQ(ani.Frame(0).CursorHotSpot, (TPoint{3, 5}));
    EXPECT_EQ(ani.Frame(1).CursorHotSpot, (TPoint{8, 8}));
    EXPECT_EQ(ani.Frame(1).RateJiffies, 12u);
    EXPECT_EQ(ani.Frame(0).ChunkTag.substr(0, 4), "icon");

    // More frames declared than icons held: only those with an icon stay.
    ani.LoadFromStream(Riff(Anih(3, 3, 10) + Fram({cursor, icon})));
    EXPECT_EQ(ani.FrameCount(), 2);
    // A count that no data could back allocates nothing by it.
    ani.LoadFromStream(Riff(Anih(0xFFFFFFFF, 0xFFFFFFFF, 10) + Fram({cursor})));
    EXPECT_EQ(ani.FrameCount(), 1);
    EXPECT_THROW(ani.SaveToStream(), ENotImplemented);
}

TEST_F(AniTest, DamagedFilesAreRefusedAndLeaveTheImageCleared) {
    std::string badCount = cursor;
    badCount[4] = char(0xFF);
    std::string badOffset = cursor;
    PokeLong(badOffset, 6 + 12, 0x7FFFFFF0);
    std::string oversized = Chunk("LIST", "fram" + Chunk("icon", cursor));
    PokeLong(oversized, 16, 0xFFFFFF00);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not RIFF", "RIFX" + Riff("").substr(4)},
        {"not ACON", "RIFF\4\0\0\0WAVE"},
        {"flags without icons", Riff(Anih(1, 1, 10, 0) + Fram({cursor}))},
        {"no steps", Riff(Anih(1, 0, 10) + Fram({cursor}))},
        {"no icon at all", Riff(Anih(1, 1, 10))},
        {"directory count beyond the data", Riff(Anih(1, 1, 10) + Fram({badCount}))},
        {"image offset beyond the data", Riff(Anih(1, 1, 10) + Fram({badOffset}))},
        {"sub-chunk larger than its list", Riff(Anih(1, 1, 10) + oversized)},
        {"chunk larger than the file", Riff(Anih(1, 1, 10) + Fram({cursor})).substr(0, 60)},
    };
    for (const Case& c : cases) {
        TAnimatedCursorImage ani;
        ani.LoadFromStream(Riff(Anih(1, 1, 10) + Fram({icon})));
        try {
            ani.LoadFromStream(c.bytes);
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STREQ(e.what(), "Stream read error") << c.what;
        }
        EXPECT_EQ(ani.FrameCount(), 0) << c.what;
    }
    WriteBytes(folder.path() / "bad.ani", cases[0].bytes);
    TAnimatedCursorImage ani;
    EXPECT_THROW(ani.LoadFromFile(folder.path() / "bad.ani"), EReadError);
}

TEST_F(AniTest, AStripAGifAndAnAnimatedCursorOfTheFrames) {
    TAnimatedCursorImage ani;
    ani.LoadFromStream(Riff(Anih(2, 2, 6) + Chunk("rate", Longs({6, 30})) + Fram({cursor, icon})));
    TBitmap strip;
    ani.AssignTo(strip);
    EXPECT_EQ(strip.Width(), 32);
    EXPECT_EQ(strip.Height(), 16);
    EXPECT_EQ(PixelFormatOf(strip.Image()), pf8bit);
    EXPECT_EQ(FrameLines(strip.Image().copy(16, 0, 16, 16)), FrameLines(green));

    TGIFImage gif;
    gif.Assign(ani);
    ASSERT_EQ(gif.FrameCount(), 2);
    EXPECT_EQ(gif.Frame(0).DelayMs, 100);
    EXPECT_EQ(gif.Frame(1).DelayMs, 500);
    WriteBytes(folder.path() / "ani.gif", gif.SaveToStream());
    EXPECT_EQ(PilFrames(folder.path() / "ani.gif").substr(0, 6), "16 16\n");

    TIconList list;
    ani.AssignTo(list);
    EXPECT_EQ(list.Count(), 2);

    TManualTimers timers;
    constexpr TCursor busy = 15000;
    TAnimatedCursor animated(busy, ani);
    QWidget widget;
    widget.setCursor(CursorShape(busy));
    EXPECT_EQ(widget.cursor().hotSpot(), QPoint(3, 5));
    timers.Advance(99);
    EXPECT_EQ(animated.Step(), 0);
    timers.Advance(1);
    EXPECT_EQ(animated.Step(), 1);
    EXPECT_EQ(widget.cursor().hotSpot(), QPoint(8, 8));
    EXPECT_EQ(CursorShape(busy).hotSpot(), QPoint(8, 8));
    timers.Advance(500);
    EXPECT_EQ(animated.Step(), 0);
}

TEST_F(AniTest, IconListsTellOfChangesAndStoreThemselves) {
    TIcon a, b;
    a.LoadFromStream(cursor);
    b.LoadFromStream(icon);
    TIconList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Add(a);
    list.Add(b);
    list.Insert(0, b);
    list.Exchange(0, 2);
    list.Move(0, 1);
    list.Delete(0);
    EXPECT_EQ(changes, 6);
    list.BeginUpdate();
    list.Add(a);
    list.SetIcon(list.Count(), b);
    list.EndUpdate();
    EXPECT_EQ(changes, 7);
    list.Icon(0)->Assign(a); // a held icon that changes tells the list
    EXPECT_EQ(changes, 8);
    EXPECT_EQ(list.IndexOf(list.Icon(1)), 1);

    // An empty entry survives the stored form; each entry is an icon file the icon tools read.
    list.SetIcon(list.Count(), TIcon());
    std::string stored = list.SaveToStream();
    TIconList back;
    back.LoadFromStream(stored);
    ASSERT_EQ(back.Count(), list.Count());
    EXPECT_EQ(back.Icon(4), nullptr);
    EXPECT_EQ(back.SaveToStream(), stored);
    WriteBytes(folder.path() / "entry.ico", back.Icon(1)->SaveToStream());
    EXPECT_NE(RunTool("icotool -l '" + (folder.path() / "entry.ico").string() + "'").find("--width=16"), std::string::npos);

    // A count beyond the stream, or an entry that is no icon: refused, the list unchanged.
    std::string tooMany = stored;
    PokeLong(tooMany, 0, 0xFFFFFFFF);
    std::string notIcon = WriteIconListEntries({"not an icon"});
    for (const std::string& bad : {tooMany, notIcon, stored.substr(0, stored.size() - 9)}) {
        EXPECT_THROW(back.LoadFromStream(bad), EInvalidGraphicOperation);
        EXPECT_EQ(back.Count(), 5);
    }
    EXPECT_TRUE(list.ShouldStore(nullptr));
    EXPECT_TRUE(list.ShouldStore(&back)); // other icon objects
    EXPECT_FALSE(TIconList().ShouldStore(nullptr));
    back.Assign(static_cast<const TIcon*>(nullptr));
    EXPECT_EQ(back.Count(), 0);
}

} // namespace
} // namespace kvz
