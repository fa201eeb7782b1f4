#include "controls/KvGraph.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

using testing::FormsTest;

TEST_F(FormsTest, ShortenWithEllipsisKeepsWhatFits) {
    QImage device(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&device);
    EXPECT_EQ(ShortenWithEllipsis("Short", canvas, 1000), "Short");
    const int width = canvas.TextWidth("Žltý kôň...");
    std::string cut = ShortenWithEllipsis("Žltý kôň beží", canvas, width);
    EXPECT_EQ(cut, "Žltý kôň...");
    EXPECT_EQ(ShortenWithEllipsis("Never fits", canvas, 1), "...");
}

TEST_F(FormsTest, DrawBitmapMaskedLeavesTheTransparentColour) {
    TBitmap glyph(2, 2);
    glyph.SetPixel(0, 0, clRed);
    glyph.SetPixel(1, 0, clBlue);
    glyph.SetPixel(0, 1, clLime); // bottom-left: the default transparent colour
    glyph.SetPixel(1, 1, clLime);
    struct Case {
        TColor transparent;
        TColor at00, at10, at01;
    } cases[] = {{clBlue, clRed, clWhite, clLime}, {clDefault, clRed, clBlue, clWhite}, {clNone, clRed, clBlue, clLime}};
    for (const Case& c : cases) {
        TBitmap target(4, 4);
        {
            TCanvas canvas(target);
            DrawBitmapMasked(canvas, 0, 0, 0, 0, glyph, TRect{}, c.transparent);
        }
        EXPECT_EQ(target.Pixel(0, 0), c.at00);
        EXPECT_EQ(target.Pixel(1, 0), c.at10);
        EXPECT_EQ(target.Pixel(0, 1), c.at01);
    }
    // A monochrome bitmap is transparent in white, whatever colour is given; stretching doubles it.
    TBitmap mono(2, 1);
    mono.SetPixel(0, 0, clBlack);
    mono.SetMonochrome(true);
    TBitmap target(4, 2);
    {
        TCanvas canvas(target);
        canvas.Brush.Color = clYellow;
        canvas.FillRect(Rect(0, 0, 4, 2));
        DrawBitmapMasked(canvas, 0, 0, 4, 2, mono, TRect{}, clBlack);
    }
    EXPECT_EQ(target.Pixel(1, 1), clBlack);
    EXPECT_EQ(target.Pixel(2, 0), clYellow);
}

TEST_F(FormsTest, DisabledBitmapEmbossesTheMaskColour) {
    TBitmap glyph(3, 3);
    {
        TCanvas c(glyph);
        c.Brush.Color = clFuchsia;
        c.FillRect(Rect(0, 0, 3, 3));
    }
    glyph.SetPixel(0, 0, clBlack);
    TBitmap disabled = MakeDisabledBitmapWith(glyph, clBlack, clSilver, true, clWhite, clGray);
    EXPECT_EQ(disabled.Pixel(0, 0), clGray);
    EXPECT_EQ(disabled.Pixel(1, 1), clWhite);
    EXPECT_EQ(disabled.Pixel(2, 2), clSilver);
    TBitmap flat = MakeDisabledBitmapWith(glyph, clBlack, clSilver, false, clWhite, clGray);
    EXPECT_EQ(flat.Pixel(1, 1), clSilver);
}

TEST_F(FormsTest, KeepRectOnScreenMovesRightAndBottomEdgesInFirst) {
    const int w = Screen().Width(), h = Screen().Height();
    TRect r = Bounds(w - 10, -5, 50, 20);
    KeepRectOnScreen(r);
    EXPECT_EQ(r, Bounds(w - 50, 0, 50, 20));
    TRect huge = Bounds(10, h - 5, w + 100, 10);
    KeepRectOnScreen(huge);
    EXPECT_EQ(huge.Left, 0); // wider than the screen: the left edge wins
    EXPECT_EQ(huge.Bottom, h);
}

// The "not implemented" refusal is an error of its own that the default handler shows; it is
// no quiet abort that a caller would take for the user's cancel.
TEST_F(FormsTest, RefuseNotImplementedRaisesAnErrorThatTheHandlerShows) {
    EXPECT_THROW(RefuseNotImplemented(), ENotImplemented);
    try {
        RefuseNotImplemented();
    } catch (const EAbort&) {
        FAIL() << "taken for a cancel";
    } catch (const ENotImplemented&) {
    }
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    Guarded([] { RefuseNotImplemented(); });
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "Function not yet implemented");
}

TEST_F(FormsTest, GridCellTextSitsByItsAlignment) {
    TBitmap cell(60, 20);
    {
        TCanvas c(cell);
        c.Brush.Color = clWhite;
        c.Font.Color = clBlack;
        c.Font.Size = 10;
        PaintGridCellText(c, Rect(0, 0, 60, 20), "I", TAlignment::taRightJustify, TVerticalAlignment::vaTop, false, false);
    }
    int leftmost = 60;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            if (GetRValue(cell.Pixel(x, y)) < 128) leftmost = std::min(leftmost, x);
    EXPECT_GT(leftmost, 45); // right-aligned, 3 pixels in from the edge
    EXPECT_LT(leftmost, 57);
}

} // namespace
} // namespace kvz
