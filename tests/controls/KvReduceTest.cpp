#include "controls/KvGraph.h"
#include "controls/KvImageBytes.h"
#include "controls/KvReduce.h"
#include "PictureTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <set>

namespace kvz {
namespace {

using namespace kvz::testing;

struct BmpHeader {
    uint32_t size, offset, width, height, bits;
};
BmpHeader HeaderOf(const std::string& file) {
    EXPECT_EQ(file.substr(0, 2), "BM");
    return {PeekLong(file, 2), PeekLong(file, 10), PeekLong(file, 18), PeekLong(file, 22), PeekWord(file, 28)};
}

class ReduceTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(ReduceTest, FileImagesHaveTheAskedDepthAndReadBackInAnotherReader) {
    TBitmap few(Colourful(7, 5).scaled(7, 5));
    // At most 256 colours: the histogram keeps each exactly.
    struct Case {
        TPixelFormat format;
        uint32_t bits;
        bool exact;
    } cases[] = {{pf1bit, 1, false}, {pf4bit, 4, false}, {pf8bit, 8, true}, {pf24bit, 24, true}};
    TempFolder folder;
    for (const Case& c : cases) {
        std::string file = ReduceBitmap(few, c.format);
        BmpHeader h = HeaderOf(file);
        EXPECT_EQ(h.bits, c.bits);
        EXPECT_EQ(h.width, 7u);
        EXPECT_EQ(h.height, 5u);
        uint32_t rowBytes = (7 * c.bits + 31) / 32 * 4;
        uint32_t palette = c.bits <= 8 ? (1u << c.bits) * 4 : 0;
        EXPECT_EQ(h.offset, 54 + palette);
        EXPECT_EQ(h.size, file.size());
        EXPECT_EQ(file.size(), 54 + palette + rowBytes * 5);
        WriteBytes(folder.path() / "r.bmp", file);
        QImage ours = ImageOfBitmapFile(file);
        EXPECT_EQ(PilFrames(folder.path() / "r.bmp"), FrameLines(ours)) << c.bits;
        if (c.exact) {
            EXPECT_EQ(FrameLines(ours), FrameLines(few.Image())) << c.bits;
        }
    }
}

TEST_F(ReduceTest, SystemDepthsTakeTheNearestFixedColour) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(100, 100, 100)); // nearer black than white; of the 16: grey 128
    image.setPixel(1, 0, qRgb(250, 10, 10));   // red
    image.setPixel(2, 0, qRgb(190, 190, 200)); // silver; white in one bit
    QImage one = ImageOfBitmapFile(ReduceBitmap(TBitmap(image), pf1bit));
    EXPECT_EQ(one.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(one.pixel(2, 0) & 0xFFFFFF, 0xFFFFFFu);
    QImage four = ImageOfBitmapFile(ReduceBitmap(TBitmap(image), pf4bit));
    EXPECT_EQ(four.pixel(0, 0) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(four.pixel(1, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(four.pixel(2, 0) & 0xFFFFFF, 0xC0C0C0u);
}

TEST_F(ReduceTest, HistogramOfManyColoursKeepsTheFrequentOnesAndTheKeptColourExactly) {
    QImage image = Colourful(96, 64); // thousands of colours: the masks coarsen
    // Mostly one colour, and a kept colour that the masks would merge with its neighbours.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 40; ++x) image.setPixel(x, y, qRgb(10, 200, 30));
    image.setPixel(50, 10, qRgb(101, 103, 105));
    image.setPixel(51, 10, qRgb(100, 102, 104));
    TKeepColor keep{RGB(101, 103, 105)};
    QImage reduced = ImageOfBitmapFile(ReduceBitmap(TBitmap(image), pf8bit, crHistogram, &keep));
    ASSERT_EQ(reduced.format(), QImage::Format_Indexed8);
    ASSERT_GE(keep.Index, 0);
    EXPECT_EQ(reduced.color(keep.Index) & 0xFFFFFF, 0x656769u);
    int kept = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) kept += reduced.pixelIndex(x, y) == keep.Index;
    EXPECT_EQ(kept, 1);
    // The most frequent colour is the first entry, exact as its mask allows.
    EXPECT_EQ(reduced.pixelIndex(0, 0), 0);
    EXPECT_LE(std::abs(qGreen(reduced.color(0)) - 200), 4);
    // Everything else lands, on the whole, near where it was.
    long error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 40; x < 96; ++x) {
            QRgb a = image.pixel(x, y), b = reduced.pixel(x, y);
            error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    EXPECT_LE(error / (64 * 56), 60);
}

TEST_F(ReduceTest, FixedPalettesIndexByTheirFormula) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(200, 40, 90));
    image.setPixel(1, 0, qRgb(200, 40, 90));
    image.setPixel(2, 0, qRgb(200, 40, 90));
    struct Case {
        TColorReduction method;
        int index[3];
        QRgb colour0;
    } cases[] = {
        // red 200 -> level 5 of 7, green 40 -> 1 of 8, blue 90 -> 1 of 4
        {crCube784, {5 * 32 + 1 * 4 + 1, 165, 165}, qRgb(213, 36, 85)},
        {crCube666, {4 * 36 + 1 * 6 + 2, 152, 152}, qRgb(204, 51, 102)},
        {crRamps, {200 / 4, 64 + 40 / 4, 128 + 90 / 4}, qRgb(200, 0, 0)},
        {crGray, {93, 93, 93}, qRgb(93, 93, 93)},
    };
    for (const Case& c : cases) {
        QImage reduced = ImageOfBitmapFile(ReduceBitmap(TBitmap(image), pf8bit, c.method));
        for (int x = 0; x < 3; ++x) EXPECT_EQ(reduced.pixelIndex(x, 0), c.index[x]) << c.method;
        EXPECT_EQ(reduced.pixel(0, 0), c.colour0) << c.method;
    }
}

TEST_F(ReduceTest, MedianCutSeparatesDistinctColours) {
    QImage image(4, 4, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 255, 255)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) image.setPixel(x, y, colours[(x + y) % 4]);
    QImage reduced = ImageOfBitmapFile(ReduceBitmap(TBitmap(image), pf8bit, crMedianCut));
    std::set<int> used;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            used.insert(reduced.pixelIndex(x, y));
            QRgb a = image.pixel(x, y), b = reduced.pixel(x, y);
            EXPECT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)), 48);
        }
    EXPECT_EQ(used.size(), 4u);
}

TEST_F(ReduceTest, RefusalsAndChoiceOfDepth) {
    EXPECT_THROW(
        {
            try {
                ReduceBitmap(TBitmap(), pf8bit);
            } catch (const EInvalidGraphicOperation& e) {
                EXPECT_STREQ(e.what(), "Bitmap image is not valid");
                throw;
            }
        },
        EInvalidGraphicOperation);
    TBitmap bitmap(Colourful(4, 4));
    EXPECT_THROW(ReduceBitmap(bitmap, pf16bit), ENotImplemented);
    struct Case {
        int colors;
        uint32_t bits;
    } cases[] = {{2, 1}, {3, 4}, {16, 4}, {17, 8}, {256, 8}, {257, 24}};
    for (const Case& c : cases) EXPECT_EQ(HeaderOf(ReduceBitmapToColors(bitmap, c.colors)).bits, c.bits) << c.colors;
}

} // namespace
} // namespace kvz
