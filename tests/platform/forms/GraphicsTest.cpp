#include "forms/FormsTesting.h"
#include "platform/forms/Graphics.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

using testing::FormsTest;

TEST_F(FormsTest, SystemColoursComeFromThePalette) {
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToRGB(clBtnFace), FromQColor(QApplication::palette().color(QPalette::Button)));
    EXPECT_EQ(ToQColor(RGB(1, 2, 3)), QColor(1, 2, 3));
}

TEST_F(FormsTest, DrawTextMeasuresAndWraps) {
    TBitmap bmp(200, 100);
    TCanvas canvas(bmp);
    TRect one = Rect(0, 0, 200, 0);
    int h = canvas.DrawText("Hello", one, DT_CALCRECT);
    EXPECT_EQ(h, canvas.TextHeight("Hello"));
    EXPECT_EQ(one.Width(), canvas.TextWidth("Hello"));
    TRect wrapped = Rect(0, 0, canvas.TextWidth("Hello") + 2, 0);
    canvas.DrawText("Hello Hello Hello", wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(wrapped.Height(), 3 * h);
    // The accelerator mark takes no room unless prefixes are off.
    TRect plain = Rect(0, 0, 200, 0), prefixed = plain;
    canvas.DrawText("&File", prefixed, DT_CALCRECT);
    canvas.DrawText("&File", plain, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_LT(prefixed.Width(), plain.Width());
}

TEST_F(FormsTest, TransparentBitmapsAndMaskedImagesLeaveTheirKeyColourOut) {
    TBitmap glyph(4, 4);
    {
        TCanvas c(glyph);
        c.Brush.Color = clFuchsia;
        c.FillRect(Rect(0, 0, 4, 4));
        c.Brush.Color = clBlue;
        c.FillRect(Rect(1, 1, 3, 3));
    }
    EXPECT_EQ(glyph.TransparentColor(), clFuchsia); // the bottom-left pixel
    glyph.SetTransparent(true);
    TBitmap target(4, 4);
    {
        TCanvas c(target);
        c.Brush.Color = clLime;
        c.FillRect(Rect(0, 0, 4, 4));
        c.Draw(0, 0, glyph);
    }
    EXPECT_EQ(target.Pixel(0, 0), clLime);
    EXPECT_EQ(target.Pixel(1, 1), clBlue);

    TImageList list(4, 4);
    int i = list.AddMasked(glyph, clFuchsia);
    EXPECT_EQ(qAlpha(list.GetImage(i).pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(list.GetImage(i).pixel(2, 2)), 255);
}

TEST_F(FormsTest, LinesLeaveTheirEndPointAsThePlatformDraws) {
    TBitmap bmp(10, 3);
    {
        TCanvas c(bmp);
        c.Pen.Color = clBlack;
        c.MoveTo(2, 1);
        c.LineTo(6, 1);
    }
    EXPECT_EQ(bmp.Pixel(1, 1), clWhite);
    EXPECT_EQ(bmp.Pixel(2, 1), clBlack);
    EXPECT_EQ(bmp.Pixel(5, 1), clBlack);
    EXPECT_EQ(bmp.Pixel(6, 1), clWhite);
}

} // namespace
} // namespace kvz
