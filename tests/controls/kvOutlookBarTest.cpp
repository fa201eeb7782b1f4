#include "controls/kvOutlookBar.h"

#include "forms/FormsTesting.h"
#include "platform/forms/Responder.h"

using namespace kvz;
using kvz::testing::PixelAt;
using kvz::testing::Render;

namespace {

// Module pictures: a coloured disc on a transparent square.
TImageList* Pictures(int size) {
    static TImageList large(32, 32), small(16, 16);
    TImageList& list = size == 32 ? large : small;
    if (list.Count() == 0)
        for (QColor c : {QColor(200, 60, 40), QColor(40, 120, 200), QColor(60, 160, 60), QColor(220, 170, 30)}) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(c);
            p.setPen(c.darker());
            p.drawEllipse(QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8));
            p.end();
            list.AddImage(image);
        }
    return &list;
}

// The frame window's bar: two headers, the second hidden.
class OutlookBarTest : public kvz::testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        bar = new TKvOutlookBar(&owner);
        bar->SetBounds(0, 0, 70, 420);
        THeaderSettings& s = bar->HeaderSettings();
        s.SetViewStyle(TOutlookViewStyle::vsWindows2000);
        s.SetKeySupport(true);
        s.SetLargeWidth(50);
        s.SetLargeHeight(70);
        TFont bold = s.HeaderFont();
        bold.Style = fsBold;
        s.SetHeaderFont(bold);
        bold.Style = fsBold | fsUnderline;
        s.SetHighlightFont(bold);
        header1 = MakeHeader("KV-Zirt", {"Address", "Reports", "Links", "Tasks"});
        header1->SetColor(clBtnShadow);
        header1->Gradient().SetBackStyle(TBackStyle::bsGradient);
        header1->Gradient().SetGradientType(TGradientType::gttb2c);
        header1->Gradient().SetStartColor(clGray);
        header1->Gradient().SetEndColor(clWhite);
        header2 = MakeHeader("Reports", {"Address\nprint", "Tasks\nprint", "Links\nprint", "Back", "Print\nwizard"});
        header2->Gradient().SetGradientType(TGradientType::gts2c);
        header2->SetVisible(false);
        bar->SetActiveHeader(header1);
    }

    TKvOutlookBarHeader* MakeHeader(const std::string& caption, const std::vector<std::string>& buttons) {
        auto* h = new TKvOutlookBarHeader(&owner);
        h->SetCaption(caption);
        h->SetOutlookBar(bar);
        for (size_t i = 0; i < buttons.size(); ++i) {
            auto* b = new TOutlookButton(&owner);
            b->SetCaption(buttons[i]);
            b->SetLargeImages(Pictures(32));
            b->SetSmallImages(Pictures(16));
            b->SetImageIndex(int(i % 4));
            b->SetHeader(h);
        }
        return h;
    }

    TComponent owner;
    TKvOutlookBar* bar = nullptr;
    TKvOutlookBarHeader* header1 = nullptr;
    TKvOutlookBarHeader* header2 = nullptr;
};

TEST_F(OutlookBarTest, ClickingTheOpenHeaderKeepsAVisibleHeaderOpen) {
    // Inside the border (1) and the lowered bevel (1).
    EXPECT_EQ(header1->BoundsRect(), Rect(2, 2, 68, 418));
    // The caption strip under the mouse is hot; the body is not.
    kvz::testing::Move(*header1, 10, 10);
    EXPECT_EQ(bar->HotHeader(), header1);
    kvz::testing::Move(*header1, 10, 100);
    EXPECT_EQ(bar->HotHeader(), nullptr);
    kvz::testing::Press(*header1, 10, 10);
    kvz::testing::Release(*header1, 10, 10);
    EXPECT_EQ(bar->ActiveHeader(), header1);
    EXPECT_EQ(header1->BoundsRect(), Rect(2, 2, 68, 418));
    EXPECT_TRUE(header1->Buttons(0)->Visible());
    EXPECT_GT(header1->Buttons(0)->Top(), 22);

    // With the second header shown, the click opens the last one.
    header2->SetVisible(true);
    kvz::testing::Press(*header1, 10, 10);
    kvz::testing::Release(*header1, 10, 10);
    EXPECT_EQ(bar->ActiveHeader(), header2);
    EXPECT_EQ(header1->BoundsRect(), Rect(2, 2, 68, 24));
    EXPECT_EQ(header2->BoundsRect(), Rect(2, 24, 68, 418));
    // Page Up goes back; activating a hidden header leaves none open.
    bar->Widget()->show();
    QApplication::setActiveWindow(bar->Widget());
    header2->SetFocus();
    kvz::testing::Key(header2->Widget(), Qt::Key_PageUp);
    EXPECT_EQ(bar->ActiveHeader(), header1);
    header2->SetVisible(false);
    bar->ActivateHeader(header2);
    EXPECT_EQ(bar->ActiveHeader(), nullptr);
    EXPECT_EQ(header1->BoundsRect(), Rect(2, 2, 68, 24));
}

TEST_F(OutlookBarTest, ADraggedButtonOpensTheHeaderItIsDraggedOverAndMovesIn) {
    header2->SetVisible(true);
    TOutlookButton* links = header1->Buttons(2);
    TResponder responder;
    responder.OnDrag = [&](TControl&, const QMimeData&) { return TDropAnswer{header2, 10, 5}; };
    links->BeginDrag(true);
    EXPECT_EQ(bar->ActiveHeader(), header2);
    EXPECT_EQ(links->Header(), header2);
    EXPECT_EQ(header1->ButtonCount(), 3);
    EXPECT_EQ(header2->Buttons(5), links);
}

TEST_F(OutlookBarTest, HeadersAndButtonsAreArranged) {
    std::vector<TKvOutlookBarHeader*> h;
    std::vector<std::string> changes;
    TComponent o;
    auto* plain = new TKvOutlookBar(&o);
    plain->SetBorderWidth(0);
    plain->SetBevelOuter(TBevelCut::bvNone);
    plain->SetBounds(0, 0, 60, 300);
    for (int i = 0; i < 3; ++i) {
        h.push_back(new TKvOutlookBarHeader(&o));
        h.back()->SetOutlookBar(plain);
    }
    plain->OnChange = [&](TComponent*, int from, int to) { changes.push_back(std::to_string(from) + ">" + std::to_string(to)); };
    plain->OnCanChange = [&](TComponent*, TKvOutlookBarHeader* to, bool& can) { can = to != h[0]; };
    plain->ActivateHeader(h[1]);
    plain->ActivateHeader(h[0]);  // refused
    EXPECT_EQ(changes, std::vector<std::string>{"-1>1"});
    EXPECT_EQ(h[0]->BoundsRect(), Rect(0, 0, 60, 22));
    EXPECT_EQ(h[1]->BoundsRect(), Rect(0, 22, 60, 278));
    EXPECT_EQ(h[2]->BoundsRect(), Rect(0, 278, 60, 300));

    // Windows 2000 style: large buttons two pixels in from each side, stacked from below the
    // up arrow; in a short bar the rest waits below and the down arrow shows.
    bar->SetBounds(0, 0, 70, 200);
    std::vector<int> tops;
    for (int i = 0; i < 4; ++i) tops.push_back(header1->Buttons(i)->Top());
    EXPECT_EQ(tops, (std::vector<int>{34, 106, 178 + 1000, 250 + 1000}));
    EXPECT_EQ(header1->Buttons(0)->BoundsRect(), Rect(2, 34, 64, 104));
    EXPECT_FALSE(header1->ScrollUpButton()->Visible());
    EXPECT_TRUE(header1->ScrollDownButton()->Visible());
    header1->ScrollDownButton()->Click();
    header1->ScrollDownButton()->Click();
    EXPECT_EQ(header1->ScrollOffset(), 2);
    EXPECT_EQ(header1->Buttons(0)->Top(), -500);
    EXPECT_EQ(header1->Buttons(1)->Top(), -500);
    EXPECT_EQ(header1->Buttons(2)->Top(), 34);
    EXPECT_TRUE(header1->ScrollUpButton()->Visible());
    EXPECT_FALSE(header1->ScrollDownButton()->Visible());

    // Small buttons fill the width; the settings' sizes answer -1 outside 1..3.
    bar->HeaderSettings().SetButtonStyle(TOutlookButtonStyle::bsSmall);
    EXPECT_EQ(header1->Buttons(3)->BoundsRect(), Rect(2, 34 + 22, 64, 34 + 22 + 20));
    EXPECT_EQ(bar->HeaderSettings().Size(4), -1);
    bar->HeaderSettings().SetSize(0, 99);
    EXPECT_EQ(bar->HeaderSettings().Size(1), 50);
    EXPECT_EQ(bar->Version(), "1.52");
}

TEST_F(OutlookBarTest, PaintsEveryViewStyle) {
    // The gradient runs from grey at the edges to white in the middle and shows through the
    // transparent buttons.
    QImage image = Render(*bar);
    EXPECT_EQ(PixelAt(image, 34, 2 + 22), clGray);
    EXPECT_EQ(PixelAt(image, 5, 2 + 22 + (418 - 24) / 2), clWhite);

    const std::pair<TOutlookViewStyle, const char*> styles[] = {{TOutlookViewStyle::vsNormal, "normal"},
                                                         {TOutlookViewStyle::vsBig, "big"},
                                                         {TOutlookViewStyle::vsAdvanced, "advanced"},
                                                         {TOutlookViewStyle::vsWindowsXP, "xp"},
                                                         {TOutlookViewStyle::vsWindows2000, "w2000"}};
    TOutlookButton* button = header1->Buttons(1);
    for (const auto& [style, name] : styles) {
        bar->HeaderSettings().SetViewStyle(style);
        // One button under the mouse and one held down.
        kvz::testing::Enter(*header1->Buttons(0));
        kvz::testing::Press(*button, 5, 5);
        Render(*bar, std::string("outlookbar-") + name);
        kvz::testing::Release(*button, 5, 5);
        kvz::testing::Leave(*header1->Buttons(0));
        bar->HeaderSettings().SetButtonStyle(TOutlookButtonStyle::bsSmall);
        Render(*bar, std::string("outlookbar-small-") + name);
        bar->HeaderSettings().SetButtonStyle(TOutlookButtonStyle::bsLarge);
    }

    // Shown as the second header with the first closed; a disabled bar embosses its captions.
    header2->SetVisible(true);
    bar->ActivateHeader(header2);
    bar->SetEnabled(false);
    Render(*bar, "outlookbar-second-disabled");

    // A header one pixel wide still paints its gradient.
    header1->Gradient().SetGradientType(TGradientType::gts2c);
    bar->SetBounds(0, 0, 5, 200);
    Render(*bar, "outlookbar-narrow");
}

} // namespace
