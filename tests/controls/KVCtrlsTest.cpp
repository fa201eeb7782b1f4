#include "controls/KVCtrls.h"
#include "controls/KvGraph.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kvz {
namespace {

using testing::PixelAt;
using testing::Render;

// The bounding box of the pixels that pass the test; empty when none does.
TRect BoxOf(const QImage& image, const std::function<bool(QColor)>& test) {
    TRect box{image.width(), image.height(), -1, -1};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) box = UnionRect(box, Rect(x, y, x + 1, y + 1));
    return box;
}

bool Near(QColor c, TColor want, int tolerance = 24) {
    QColor w = ToQColor(want);
    return std::abs(c.red() - w.red()) <= tolerance && std::abs(c.green() - w.green()) <= tolerance &&
           std::abs(c.blue() - w.blue()) <= tolerance;
}

class ControlsTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientSize(300, 200);
        form->SetColor(clBtnFace);
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override { form->Free(); }

    // A 16 by 16 glyph on fuchsia: a black block at 2..5 and a blue one at 10..13.
    static TBitmap TestGlyph(int images = 1) {
        TBitmap glyph(16 * images, 16);
        TCanvas c(glyph);
        c.Brush.Color = clFuchsia;
        c.FillRect(Rect(0, 0, 16 * images, 16));
        for (int i = 0; i < images; ++i) {
            c.Brush.Color = clBlack;
            c.FillRect(Rect(16 * i + 2, 2, 16 * i + 6, 6));
            c.Brush.Color = i == 0 ? clBlue : clRed;
            c.FillRect(Rect(16 * i + 10, 10, 16 * i + 14, 14));
        }
        return glyph;
    }

    TKvSpeedButton* NewButton(int left = 10, int top = 10) {
        auto* b = new TKvSpeedButton(form);
        b->SetParent(form);
        b->SetBounds(left, top, 25, 25);
        b->OnClick = [this](TComponent*) { ++clicks; };
        return b;
    }
    void ClickOn(TKvSpeedButton* b) {
        testing::Press(*b, 5, 5);
        testing::Release(*b, 5, 5);
    }

    TForm* form = nullptr;
    int clicks = 0;
};

TEST_F(ControlsTest, LabelShadowLiesTowardItsCorner) {
    struct Case {
        TShadowPosition pos;
        int dx, dy;
        const char* png;
    } cases[] = {{TShadowPosition::spLeftTop, -2, -2, "label-lefttop"},
                 {TShadowPosition::spLeftBottom, -2, 2, "label-leftbottom"},
                 {TShadowPosition::spRightBottom, 2, 2, "label-rightbottom"},
                 {TShadowPosition::spRightTop, 2, -2, "label-righttop"}};
    for (const Case& c : cases) {
        auto* label = new TKvLabel(form);
        label->SetParent(form);
        label->SetAutoSize(false);
        label->SetBounds(0, 0, 100, 60);
        label->SetColor(clWhite);
        label->SetFont(TFont{"DejaVu Sans", 24, clBlack, fsBold});
        label->SetAlignment(TAlignment::taCenter);
        label->SetLayout(TTextLayout::tlCenter);
        label->SetShadowColor(clRed);
        label->SetShadowSize(2);
        label->SetShadowPos(c.pos);
        label->SetCaption("I");
        QImage image = Render(*label, c.png);
        TRect text = BoxOf(image, [](QColor q) { return q.red() < 60 && q.green() < 60 && q.blue() < 60; });
        TRect shadow = BoxOf(image, [](QColor q) { return q.red() > 200 && q.green() < 60 && q.blue() < 60; });
        ASSERT_GT(text.Width(), 0);
        // The text covers the shadow on the side it lies toward, so the far edges tell.
        EXPECT_EQ(c.dx > 0 ? shadow.Right - text.Right : shadow.Left - text.Left, c.dx) << c.png;
        EXPECT_EQ(c.dy > 0 ? shadow.Bottom - text.Bottom : shadow.Top - text.Top, c.dy) << c.png;
        delete label;
    }
}

TEST_F(ControlsTest, DisabledLabelWithoutShadowStillShowsOnePixelAtTheBottomRight) {
    auto* label = new TKvLabel(form);
    label->SetParent(form);
    label->SetColor(clNavy);
    label->SetFont(TFont{"DejaVu Sans", 24, clBlack, fsBold});
    label->SetShadowSize(0);
    label->SetCaption("I");
    label->SetEnabled(false);
    QImage image = Render(*label, "label-disabled");
    // Every highlight pixel has grey text one pixel up and left of it.
    int highlight = 0, besideText = 0;
    for (int y = 1; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x) {
            if (!Near(image.pixelColor(x, y), clBtnHighlight, 20)) continue;
            ++highlight;
            if (Near(image.pixelColor(x - 1, y - 1), clGrayText, 40)) ++besideText;
        }
    EXPECT_GT(highlight, 10);
    EXPECT_GE(besideText, highlight * 9 / 10);
}

TEST_F(ControlsTest, AutoSizedLabelMeasuresAnAmpersandAsOneLine) {
    TKvLabel a(form), amp(form), empty(form);
    a.SetCaption("A");
    amp.SetCaption("&");
    empty.SetCaption("x");
    empty.SetCaption("");
    EXPECT_EQ(amp.Height(), a.Height());
    EXPECT_EQ(empty.Height(), a.Height());
    EXPECT_GT(a.Width(), 2);
}

TEST_F(ControlsTest, LabelAcceleratorMovesTheFocusToItsControl) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(100, 100, 80, 20);
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(100, 150, 80, 25);
    auto* label = new TKvLabel(form);
    label->SetParent(form);
    label->SetCaption("&Name");
    label->SetFocusControl(edit);
    button->SetFocus();
    QApplication::processEvents();
    testing::Key(button->Widget(), Qt::Key_N, Qt::AltModifier, "n");
    EXPECT_TRUE(edit->Focused());
    delete edit; // freeing the focus control clears the reference
    EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(ControlsTest, LabelTellsWhenThePointerComesAndGoes) {
    auto* label = new TKvLabel(form);
    label->SetCaption("Hover");
    label->SetLeft(150); // away from where the pointer rests
    label->SetParent(form);
    std::vector<std::string> log;
    label->OnMouseEnter = [&](TComponent*) { log.push_back("enter"); };
    label->OnMouseLeave = [&](TComponent*) { log.push_back("leave"); };
    testing::Enter(*label);
    testing::Enter(*label);
    testing::Press(*label, 2, 2);
    testing::Leave(*label); // held down: still over it
    EXPECT_TRUE(label->MouseInControl());
    testing::Release(*label, 2, 40);
    EXPECT_FALSE(label->MouseInControl());
    label->SetEnabled(false);
    testing::Enter(*label);
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ControlsTest, SpeedButtonFacesPixelByPixel) {
    TKvSpeedButton* b = NewButton();
    b->SetGlyph(TestGlyph());
    QImage up = Render(*b, "button-up");
    EXPECT_EQ(PixelAt(up, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(up, 24, 24), ColorToRGB(clWindowFrame));
    EXPECT_EQ(PixelAt(up, 1, 1), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelAt(up, 23, 23), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(up, 7, 7), clBlack); // the glyph sits at 4,4
    EXPECT_EQ(PixelAt(up, 15, 15), clBlue);
    EXPECT_EQ(PixelAt(up, 5, 5), ColorToRGB(clBtnFace)); // its fuchsia is transparent

    testing::Press(*b, 5, 5);
    QImage down = Render(*b, "button-down");
    EXPECT_EQ(PixelAt(down, 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(PixelAt(down, 24, 24), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(down, 1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(down, 8, 8), clBlack); // one pixel down and right
    EXPECT_EQ(PixelAt(down, 6, 6), ColorToRGB(clBtnFace));
    testing::Release(*b, 5, 5);

    b->SetEnabled(false);
    QImage disabled = Render(*b, "button-disabled");
    EXPECT_EQ(PixelAt(disabled, 7, 7), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(disabled, 10, 10), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(disabled, 15, 15), ColorToRGB(clBtnFace)); // only the black is drawn
    b->SetEnabled(true);

    testing::Leave(*b);
    b->SetFlat(true);
    QImage flat = Render(*b, "button-flat");
    EXPECT_EQ(PixelAt(flat, 0, 0), ColorToRGB(clBtnFace)); // no frame away from the mouse
    EXPECT_EQ(PixelAt(flat, 24, 24), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelAt(flat, 15, 15), RGB(28, 28, 28)); // grey of blue
    EXPECT_EQ(PixelAt(flat, 7, 7), clBlack);
    testing::Enter(*b);
    EXPECT_TRUE(b->MouseInControl());
    QImage hot = Render(*b, "button-flat-hot");
    EXPECT_EQ(PixelAt(hot, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(hot, 24, 24), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(hot, 15, 15), clBlue);
    testing::Leave(*b);
    EXPECT_FALSE(b->MouseInControl());
}

TEST_F(ControlsTest, ImagesAreMadeAgainWhenTheDesktopColoursChange) {
    TKvSpeedButton* b = NewButton();
    b->SetGlyph(TestGlyph());
    b->SetEnabled(false);
    Render(*b);
    const QPalette saved = QApplication::palette();
    QPalette changed = saved;
    changed.setColor(QPalette::Dark, QColor(20, 120, 40)); // the button shadow
    QApplication::setPalette(changed);
    QApplication::processEvents();
    QImage image = Render(*b, "button-disabled-newshadow");
    QApplication::setPalette(saved);
    QApplication::processEvents();
    EXPECT_EQ(PixelAt(image, 7, 7), RGB(20, 120, 40));
}

TEST_F(ControlsTest, GlyphStripsChooseTheirImagesByState) {
    TKvSpeedButton* b = NewButton();
    b->SetGlyph(TestGlyph(4));
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetGlyph(TBitmap(96, 16));
    EXPECT_EQ(b->NumGlyphs(), 1); // six images are too many
    b->SetNumGlyphs(7);
    EXPECT_EQ(b->NumGlyphs(), 5);
    b->SetNumGlyphs(0);
    EXPECT_EQ(b->NumGlyphs(), 5);

    // Three images: the third (red) shows while pressed.
    b->SetGlyph(TestGlyph(3));
    testing::Press(*b, 5, 5);
    EXPECT_EQ(PixelAt(Render(*b), 16, 16), clRed);
    testing::Release(*b, 5, 5);
    EXPECT_EQ(PixelAt(Render(*b), 15, 15), clBlue);
}

TEST_F(ControlsTest, ExclusiveButtonsAreDithered) {
    TKvSpeedButton* b = NewButton();
    b->SetGlyph(TestGlyph());
    b->SetGroupIndex(1);
    b->SetDown(true);
    QImage image = Render(*b, "button-exclusive");
    EXPECT_EQ(PixelAt(image, 21, 21), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(image, 21, 20), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelAt(image, 8, 8), clBlack);
}

TEST_F(ControlsTest, GlyphImagesOfOneSizeShareAListAndAreFreedWithTheirButtons) {
    {
        TKvButtonGlyph a, b;
        a.SetGlyph(TestGlyph());
        b.SetGlyph(TestGlyph());
        QImage device(32, 32, QImage::Format_RGB32);
        TCanvas canvas(&device);
        a.PaintStateImage(canvas, 0, 0, TButtonState::bsUp);
        b.PaintStateImage(canvas, 0, 0, TButtonState::bsUp);
        TGlyphList* list = GlyphCache()->ListForSize(16, 16);
        EXPECT_EQ(list->UsedCount(), 2);
        EXPECT_EQ(a.MakeStateImage(TButtonState::bsUp), a.MakeStateImage(TButtonState::bsUp)); // made once
        a.DropStateImages();
        EXPECT_EQ(list->UsedCount(), 1);
        a.MakeStateImage(TButtonState::bsDisabled);
        EXPECT_EQ(list->Count(), 2); // the freed slot is used again
    }
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST_F(ControlsTest, TransparentControlsShowWhatLiesUnderThem) {
    auto* back = new TKvLabel(form);
    back->SetParent(form);
    back->SetAutoSize(false);
    back->SetBounds(100, 100, 10, 30);
    back->SetColor(clRed);
    back->SetCaption("");
    TKvSpeedButton* b = NewButton(100, 100);
    b->SetTransparent(true);
    b->SetFlat(true);
    QImage image = Render(*b, "button-transparent");
    EXPECT_EQ(PixelAt(image, 5, 5), clRed);
    EXPECT_EQ(PixelAt(image, 20, 20), ColorToRGB(form->Color()));
    TBitmap under(25, 25);
    {
        TCanvas canvas(under);
        PaintParentBackground(*b, canvas);
    }
    EXPECT_EQ(under.Pixel(5, 5), clRed);
    EXPECT_EQ(under.Pixel(20, 20), ColorToRGB(form->Color()));
}

TEST_F(ControlsTest, ReleaseCountsAsAClickOnlyInsideTheButton) {
    TKvSpeedButton* b = NewButton();
    const struct {
        int y;
        int clicks;
    } cases[] = {{24, 1}, {25, 0}, {-1, 0}};
    for (auto c : cases) {
        clicks = 0;
        testing::Press(*b, 5, 5);
        testing::Move(*b, 5, c.y);
        testing::Release(*b, 5, c.y);
        EXPECT_EQ(clicks, c.clicks) << "release at y " << c.y;
        EXPECT_EQ(b->State(), TButtonState::bsUp);
    }
}

TEST_F(ControlsTest, HeldTimerButtonRepeatsWhileThePointerStaysOnIt) {
    TManualTimers clock;
    auto* b = new TKvTimerSpeedButton(form);
    b->SetParent(form);
    b->OnClick = [this](TComponent*) { ++clicks; };
    EXPECT_EQ(b->Style(), TButtonStyle::bsWin31);
    testing::Press(*b, 5, 5);
    clock.Advance(499);
    EXPECT_EQ(clicks, 0);
    clock.Advance(1);
    EXPECT_EQ(clicks, 1);
    clock.Advance(250);
    EXPECT_EQ(clicks, 3);
    testing::Move(*b, 5, 40); // off the button: paused
    clock.Advance(300);
    EXPECT_EQ(clicks, 3);
    testing::Move(*b, 5, 5);
    clock.Advance(100);
    EXPECT_EQ(clicks, 4);
    testing::Release(*b, 5, 5); // the press itself
    EXPECT_EQ(clicks, 5);
    clock.Advance(1000);
    EXPECT_EQ(clicks, 5);
    b->SetAllowTimer(false);
    EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST_F(ControlsTest, AFailingRepeatedClickStopsTheTimer) {
    TManualTimers clock;
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    auto* b = new TKvTimerSpeedButton(form);
    b->SetParent(form);
    b->OnClick = [](TComponent*) { throw std::runtime_error("Disk full"); };
    testing::Press(*b, 5, 5);
    clock.Advance(2000);
    EXPECT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_FALSE(b->RepeatTimer()->Enabled());
}

TEST_F(ControlsTest, GroupedButtonsKeepOneDown) {
    TKvSpeedButton* b1 = NewButton(10);
    TKvSpeedButton* b2 = NewButton(40);
    TKvSpeedButton* other = NewButton(70);
    for (TKvSpeedButton* b : {b1, b2}) b->SetGroupIndex(1);
    other->SetDown(true);
    EXPECT_FALSE(other->Down()); // no group, no Down
    ClickOn(b1);
    EXPECT_TRUE(b1->Down());
    ClickOn(b2);
    EXPECT_TRUE(b2->Down());
    EXPECT_FALSE(b1->Down());
    EXPECT_EQ(b1->State(), TButtonState::bsUp);
    ClickOn(b2);
    EXPECT_TRUE(b2->Down()); // cannot be raised without AllowAllUp
    EXPECT_EQ(b2->State(), TButtonState::bsExclusive);
    // Released away without a move: the button shows as it was.
    testing::Press(*b1, 5, 5);
    testing::Release(*b1, 5, 40);
    EXPECT_EQ(b1->State(), TButtonState::bsUp);
    EXPECT_FALSE(b1->Down());
    b2->SetAllowAllUp(true);
    EXPECT_TRUE(b1->AllowAllUp());
    ClickOn(b2);
    EXPECT_FALSE(b2->Down());
    EXPECT_EQ(clicks, 4);
}

TEST_F(ControlsTest, DoubleClickCountsOnlyOnADownButton) {
    TKvSpeedButton* b = NewButton();
    int doubles = 0;
    b->OnDblClick = [&](TComponent*) { ++doubles; };
    testing::SendMouse(*b, QEvent::MouseButtonDblClick, 5, 5);
    testing::Release(*b, 5, 5);
    EXPECT_EQ(doubles, 0);
    b->SetGroupIndex(1);
    b->SetDown(true);
    testing::SendMouse(*b, QEvent::MouseButtonDblClick, 5, 5);
    testing::Release(*b, 5, 5);
    EXPECT_EQ(doubles, 1);
}

TEST_F(ControlsTest, DropDownMenuOpensUnderTheButtonInsteadOfAClick) {
    TResponder responder;
    TKvSpeedButton* b = NewButton();
    b->SetCaption("Go");
    b->SetBounds(10, 10, 60, 25);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("First");
    menu->Items()->Add(item);
    int chosen = 0;
    item->OnClick = [&](TComponent*) { ++chosen; };
    TComponent* opener = nullptr;
    responder.OnPopupMenu = [&](TPopupMenu& m) {
        opener = m.PopupComponent();
        return m.Items()->Items(0);
    };
    b->SetDropDownMenu(menu);
    EXPECT_EQ(b->MenuAnchor(), (TPoint{-1, 25}));
    menu->SetAlignment(TPopupAlignment::paRight);
    EXPECT_EQ(b->MenuAnchor(), (TPoint{61, 25}));
    b->SetMenuPosition(TKvDropDownMenuPos::dmpRight);
    EXPECT_EQ(b->MenuAnchor(), (TPoint{-1, -1}));
    Render(*b, "button-dropdown");
    testing::Press(*b, 5, 5);
    testing::Release(*b, 5, 5);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(opener, b);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->State(), TButtonState::bsUp);
    delete menu;
    EXPECT_EQ(b->DropDownMenu(), nullptr);
}

TEST_F(ControlsTest, SpeedButtonEndsAModalFormWithItsResult) {
    TResponder responder;
    TForm dialog(nullptr);
    auto* yes = new TKvSpeedButton(&dialog);
    yes->SetParent(&dialog);
    yes->SetModalResult(mrYes);
    responder.OnShowModal = [&](TForm&) {
        testing::Press(*yes, 5, 5);
        testing::Release(*yes, 5, 5);
        return mrNone;
    };
    EXPECT_EQ(dialog.ShowModal(), mrYes);
}

TEST_F(ControlsTest, CaptionAndGlyphShareTheFace) {
    TKvSpeedButton* b = NewButton();
    b->SetBounds(10, 10, 90, 40);
    b->SetGlyph(TestGlyph());
    b->SetLayout(TButtonLayout::blGlyphLeft);
    b->SetCaption("&Save");
    QImage image = Render(*b, "button-caption");
    TRect black = BoxOf(image, [](QColor q) { return q.red() < 40 && q.green() < 40 && q.blue() < 40; });
    // Glyph and caption are centred together, the glyph's block on the left.
    EXPECT_EQ(PixelAt(image, black.Left + 1, black.Top + 1), clBlack);
    EXPECT_GT(black.Left, 12);
    EXPECT_GT(black.Right, black.Left + 25);
    EXPECT_LT(std::abs(black.Left - (90 - black.Right)), 12);
    TKvSpeedButton* narrow = NewButton(120);
    narrow->SetCaption("A long caption");
    Render(*narrow, "button-shortened");
    QImage device(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&device);
    canvas.Font = narrow->Font();
    auto layout = narrow->ButtonGlyph().ComputeLayout(canvas, Rect(3, 3, 22, 22), "A long caption",
                                                      TButtonLayout::blGlyphTop, -1, 1, false, DT_CENTER);
    EXPECT_EQ(layout.caption.substr(layout.caption.size() - 3), "...");
}

} // namespace
} // namespace kvz
