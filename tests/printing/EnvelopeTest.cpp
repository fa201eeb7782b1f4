#include "engine/KvMemDS.h"
#include "platform/report/ReportRender.h"
#include "printing/AddressLayouts.h"
#include "printing/EnvelopeSetup.h"

#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

struct MarginCase {
    int format, position;
    double top, bottom, height, width, right;
};

// The format sets the band and the feed margin; the position the top and bottom margins.
TEST(EnvelopeSetup, FormatsAndPositions) {
    for (const MarginCase& c : {MarginCase{EnvelopeC6, EnvelopeMiddle, 50, 50, 114, 162.2, 135},
                                {EnvelopeC6, EnvelopeRight, 1, 99, 114, 162.2, 135},
                                {EnvelopeC6, EnvelopeLeft, 99, 1, 114, 162.2, 135},
                                {EnvelopeC5, EnvelopeMiddle, 24, 24, 162, 229, 68},
                                {EnvelopeC5, EnvelopeRight, 1, 47, 162, 229, 68},
                                {EnvelopeC5, EnvelopeLeft, 47, 1, 162, 229, 68},
                                {EnvelopeDL, EnvelopeMiddle, 52, 52, 110, 220.1, 77},
                                {EnvelopeDL, EnvelopeRight, 1, 103, 110, 220.1, 77},
                                {EnvelopeDL, EnvelopeLeft, 103, 1, 110, 220.1, 77}}) {
        TReportLayout envelopes;
        BuildEnvelopeLayout(envelopes);
        ChooseEnvelopeFormat(envelopes, c.format, c.position);
        const TPageSetup& page = envelopes.Page();
        EXPECT_DOUBLE_EQ(page.TopMargin, c.top) << c.format << c.position;
        EXPECT_DOUBLE_EQ(page.BottomMargin, c.bottom) << c.format << c.position;
        EXPECT_DOUBLE_EQ(page.LeftMargin, 0);
        EXPECT_DOUBLE_EQ(page.RightMargin, c.right);
        EXPECT_DOUBLE_EQ(envelopes.FindBand("DetailObalkyBand")->Height(), c.height);
        EXPECT_DOUBLE_EQ(envelopes.FindBand("DetailObalkyBand")->Width(), c.width);
        // The feed puts the margin on the other side; any other feed leaves them.
        SetEnvelopeFeedOffset(envelopes, c.format, 0);
        EXPECT_DOUBLE_EQ(page.LeftMargin, c.right);
        EXPECT_DOUBLE_EQ(page.RightMargin, 0);
        SetEnvelopeFeedOffset(envelopes, c.format, 2);
        EXPECT_DOUBLE_EQ(page.LeftMargin, c.right);
        SetEnvelopeFeedOffset(envelopes, c.format, 1);
        EXPECT_DOUBLE_EQ(page.LeftMargin, 0);
        EXPECT_DOUBLE_EQ(page.RightMargin, c.right);
    }
}

struct ShiftCase {
    const char* name;
    int format;
    TEnvelopeMiniature miniature;
    int addressLeft, addressTop, senderLeft, senderTop; // layout pixels
};

TEST(EnvelopeSetup, FieldsFollowTheMiniature) {
    TEnvelopeMiniature atReference;
    TEnvelopeMiniature senderRight;
    senderRight.SenderLeft = 13;
    TEnvelopeMiniature moved;
    moved.AddressLeft = 80;
    moved.AddressTop = 75;
    moved.SenderLeft = 10;
    moved.SenderTop = 20;
    for (const ShiftCase& c : {ShiftCase{"C6 at the references", EnvelopeC6, atReference, 372, 265, 69, 32},
                               {"C5 at the references", EnvelopeC5, atReference, 572, 415, 69, 32},
                               {"DL at the references", EnvelopeDL, atReference, 572, 265, 69, 32},
                               {"C6 sender one right", EnvelopeC6, senderRight, 372, 265, 71, 32},
                               {"C5 moved", EnvelopeC5, moved, 572 - 90, 415 + 20, 69 - 8, 32 + 24}}) {
        TReportLayout envelopes;
        BuildEnvelopeLayout(envelopes);
        ChooseEnvelopeFormat(envelopes, c.format, EnvelopeMiddle);
        // Shifting twice gives the same places: each starts from the defaults.
        ShiftEnvelopeFields(envelopes, c.format, c.miniature);
        ShiftEnvelopeFields(envelopes, c.format, c.miniature);
        EXPECT_NEAR(envelopes.Element("QRDBText1").Left(), Px(c.addressLeft), 1e-9) << c.name;
        EXPECT_NEAR(envelopes.Element("QRDBText1").Top(), Px(c.addressTop), 1e-9) << c.name;
        EXPECT_NEAR(envelopes.Element("QRLabel1").Left(), Px(c.senderLeft), 1e-9) << c.name;
        EXPECT_NEAR(envelopes.Element("QRLabel1").Top(), Px(c.senderTop), 1e-9) << c.name;
    }
}

// Both blocks stay inside the envelope's outline on both axes.
TEST(EnvelopeSetup, MiniatureBlocksStayOnTheEnvelope) {
    TEnvelopeMiniature m;
    for (int i = 0; i < 200; ++i) m.MoveDown();
    EXPECT_EQ(m.AddressTop, 90);
    for (int i = 0; i < 200; ++i) m.MoveUp();
    EXPECT_EQ(m.AddressTop, 10);
    for (int i = 0; i < 200; ++i) m.MoveRight();
    EXPECT_EQ(m.AddressLeft, 105);
    for (int i = 0; i < 200; ++i) m.MoveLeft();
    EXPECT_EQ(m.AddressLeft, 50);
    m.Selected = 2;
    for (int i = 0; i < 200; ++i) m.MoveDown(), m.MoveRight();
    EXPECT_EQ(m.SenderTop, 90);
    EXPECT_EQ(m.SenderLeft, 40);
    for (int i = 0; i < 200; ++i) m.MoveUp(), m.MoveLeft();
    EXPECT_EQ(m.SenderTop, 10);
    EXPECT_EQ(m.SenderLeft, 10);
    TEnvelopeMiniature stored;
    stored.AddressTop = 5000;
    stored.AddressLeft = -3;
    stored.Clamp();
    EXPECT_EQ(stored.AddressTop, 90);
    EXPECT_EQ(stored.AddressLeft, 50);
}

// Every format in every position and feed: one envelope a page, cut at the paper's edge,
// never spread over two pages by fit.
TEST(EnvelopeSetup, OneEnvelopePerPageInEveryFormat) {
    testing::EnsureApplication();
    TKvMemoryData data;
    data.FieldDefs().Add("Adresa_1", ftMemo);
    data.Open();
    for (const char* a : {"Ján Novák\nHlavná 1\n010 01 Žilina", "Petr Čížek\nBrno", "Anna\nKošice"})
        data.AppendRecord({Variant(a)});
    for (int format = 0; format < 3; ++format)
        for (int position = 0; position < 3; ++position)
            for (int feed = 0; feed < 2; ++feed) {
                TReportLayout envelopes;
                BuildEnvelopeLayout(envelopes);
                envelopes.SetDataSet(&data);
                envelopes.Element("QRLabel1").SetCaption("Odosielateľ");
                ChooseEnvelopeFormat(envelopes, format, position);
                SetEnvelopeFeedOffset(envelopes, format, feed);
                const TPreparedReport report = PrepareReport(envelopes);
                ASSERT_EQ(report.Pages.size(), 3u) << format << position << feed;
                EXPECT_TRUE(report.Landscape);
                for (const TPreparedPage& page : report.Pages)
                    for (const TPreparedItem& item : page.Items) {
                        EXPECT_GE(item.X, 0);
                        EXPECT_GE(item.Y, 0);
                        EXPECT_LE(item.X + item.W, report.PageWidth) << format << position << feed;
                        EXPECT_LE(item.Y + item.H, report.PageHeight) << format << position << feed;
                    }
            }
}

} // namespace
} // namespace kvz
