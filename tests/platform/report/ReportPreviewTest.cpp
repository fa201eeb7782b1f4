#include "ReportTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include "platform/report/QrpFile.h"
#include "platform/report/ReportMessages.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportRender.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>

#include <gtest/gtest.h>

namespace kvz {
namespace {

class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { testing::EnsureApplication(); }
    void TearDown() override { SetReportLanguage(1); }

    // A layout of addresses with Slovak and Czech letters, 11 to a page.
    void Build(int rows) {
        data.FieldDefs().Add("Name", ftString, 40);
        data.FieldDefs().Add("Note", ftString, 80);
        for (int i = 1; i <= rows; ++i)
            data.AddRow({Variant(std::to_string(i) + ". Ľubomír Šťastný"), Variant("Příliš žluťoučký kůň, Žilina")});
        data.Open();
        layout.SetDataSet(&data);
        layout.SetTitle("Adresy");
        TReportBand& header = layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1");
        header.SetHeight(10.58);
        header.SetColor(0xC0C0C0);
        header.AddSysData("QRSysData1", TSysDataKind::PageNumber, 160, 2.9).SetCaption("Strana : ");
        TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
        detail.SetHeight(25);
        detail.Frame().Bottom = true;
        detail.AddDBText("QRDBText1", "Name", 2, 2, 80, 7).SetFont({.Name = "Tahoma", .Size = 12, .Bold = true});
        detail.AddDBText("QRDBText2", "Note", 90, 2, 90, 7).SetFont({.Name = "Times New Roman", .Size = 12});
    }

    test::TTinyDataSet data;
    TReportLayout layout{"TAdresy"};
};

TEST_F(ReportPreviewTest, LongReportOpensPaintingOnlyVisiblePages) {
    Build(30);
    TPreparedReport report = PrepareReport(layout);
    const TPreparedPage page = report.Pages[0];
    report.Pages.assign(4000, page);
    for (int language : {1, 2, 3}) {
        SetReportLanguage(language);
        TReportPreviewForm form(nullptr, report);
        form.Show();
        QApplication::processEvents();
        testing::SaveWindowPicture(form, "report_preview_" + std::to_string(language));
        EXPECT_GE(form.PageView->PagesPainted(), 1);
        EXPECT_LE(form.PageView->PagesPainted(), 2);
        const std::string label = form.PageLabel->text().toStdString();
        EXPECT_EQ(label.substr(0, label.find("    ")),
                  ReportMessage(TReportMessage::PageOf, {"1", "4000"}));
        form.Close();
    }
}

TEST_F(ReportPreviewTest, NavigatesAndZooms) {
    Build(40);
    TReportPreviewForm form(nullptr, PrepareReport(layout));
    ASSERT_EQ(form.Report().Pages.size(), 4u);
    form.Show();
    QApplication::processEvents();
    EXPECT_FALSE(form.FirstAction->isEnabled());
    EXPECT_TRUE(form.NextAction->isEnabled());
    form.NextActionClick();
    EXPECT_EQ(form.PageView->CurrentPage(), 1);
    form.LastActionClick();
    EXPECT_EQ(form.PageView->CurrentPage(), 3);
    EXPECT_EQ(form.PageLabel->text().left(11), "Page 4 of 4");
    EXPECT_FALSE(form.NextAction->isEnabled());
    EXPECT_FALSE(form.LastAction->isEnabled());
    form.PriorActionClick();
    EXPECT_EQ(form.PageView->CurrentPage(), 2);
    // Zooming keeps the page in view.
    const double whole = form.PageView->Scale();
    form.ZoomInAction->trigger();
    EXPECT_NEAR(form.PageView->Scale(), whole * 1.25, 1e-9);
    EXPECT_EQ(form.PageView->CurrentPage(), 2);
    form.PageWidthAction->trigger();
    EXPECT_GT(form.PageView->Scale(), whole);
    form.FirstActionClick();
    EXPECT_EQ(form.PageView->CurrentPage(), 0);
    QApplication::processEvents();
    testing::SaveWindowPicture(form, "report_preview_width");
    form.Close();
}

TEST_F(ReportPreviewTest, PreviewIsModalAndItsPageSetupPreparesAgain) {
    Build(12);
    TResponder responder;
    int modal = 0;
    responder.OnDialog = [](QDialog& dialog) {
        auto* setup = dynamic_cast<QPageSetupDialog*>(&dialog);
        EXPECT_NE(setup, nullptr);
        if (!setup) return int(QDialog::Rejected);
        setup->printer()->setPageOrientation(QPageLayout::Landscape);
        return int(QDialog::Accepted);
    };
    responder.OnShowModal = [&](TForm& f) {
        ++modal;
        auto& form = dynamic_cast<TReportPreviewForm&>(f);
        EXPECT_EQ(form.Report().Pages.size(), 2u);
        EXPECT_TRUE(form.PageSetupAction->isEnabled());
        form.PageSetupActionClick();
        // 12 records of 25 mm in the 179 mm of a landscape page.
        EXPECT_EQ(form.Report().PageWidth, 29700);
        EXPECT_EQ(form.Report().Pages.size(), 2u);
        EXPECT_EQ(form.PageView->CurrentPage(), 0);
        return mrOk;
    };
    PreviewReport(layout);
    EXPECT_EQ(modal, 1);
    EXPECT_EQ(layout.Page().Orientation, TPageOrientation::Landscape);
    EXPECT_EQ(layout.Page().Paper, TPaperSize::A4);
}

TEST_F(ReportPreviewTest, SavesAndOpensPreparedPages) {
    Build(15);
    TempFolder folder;
    const auto path = folder.path() / "adresy.qrp";
    TReportPreviewForm form(nullptr, PrepareReport(layout));
    TResponder responder;
    responder.OnDialog = [&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        files.setDirectory(QString::fromStdString(folder.path().string()));
        files.selectFile(QStringLiteral("adresy.qrp"));
        return int(QDialog::Accepted);
    };
    form.SaveActionClick();
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(LoadPreparedReport(path), form.Report());

    TReportPreviewForm other(nullptr, TPreparedReport{});
    other.SetLayout(&layout);
    other.OpenActionClick();
    EXPECT_EQ(other.Report(), form.Report());
    // Pages read from a file have no layout to prepare again.
    EXPECT_FALSE(other.PageSetupAction->isEnabled());
}

// Over a layout the preview opens on its first pages and makes the others as they are asked
// for, or while it is shown: every page is the one a whole preparation gives, the page count
// filled in at the end.
TEST_F(ReportPreviewTest, LongReportIsPreparedAsItIsViewed) {
    Build(20000);
    layout.FindBand("DetailBand1")->SetForceNewPage(true);
    layout.FindBand("PageHeaderBand1")->AddSysData("QRSysData2", TSysDataKind::PageCount, 100, 2.9).SetCaption("z ");
    const TPreparedReport whole = PrepareReport(layout);
    ASSERT_EQ(whole.Pages.size(), 20000u);

    TReportPreviewForm form(nullptr, layout);
    EXPECT_FALSE(form.Prepared());
    EXPECT_LT(form.Report().Pages.size(), 10u);
    EXPECT_EQ(form.Report().Pages[0].Items.size(), whole.Pages[0].Items.size());
    EXPECT_TRUE(form.NextAction->isEnabled());
    EXPECT_TRUE(form.LastAction->isEnabled());
    const std::string label = form.PageLabel->text().toStdString();
    EXPECT_NE(label.find("\u2026"), std::string::npos) << label;
    form.NextActionClick();
    form.NextActionClick();
    EXPECT_EQ(form.PageView->CurrentPage(), 2);
    EXPECT_LT(form.Report().Pages.size(), 10u);
    form.LastActionClick();
    EXPECT_TRUE(form.Prepared());
    EXPECT_EQ(form.PageView->CurrentPage(), 19999);
    EXPECT_EQ(form.Report(), whole);
    EXPECT_EQ(form.PageLabel->text().left(19), "Page 20000 of 20000");

    // Shown, it prepares on by itself while the user looks at the first page.
    TReportPreviewForm shown(nullptr, layout);
    shown.Show();
    for (int i = 0; i < 100000 && !shown.Prepared(); ++i) QApplication::processEvents();
    EXPECT_TRUE(shown.Prepared());
    EXPECT_EQ(shown.PageView->CurrentPage(), 0);
    EXPECT_EQ(shown.Report(), whole);
    shown.Close();
}

// A data set that fails half-way ends the preview with the error; no half report is shown.
TEST_F(ReportPreviewTest, PreparationThatFailsEndsThePreview) {
    struct TFailing : test::TTinyDataSet {
        bool InternalReadRecordAt(int index, TRecordBuffer& buffer) override {
            if (index == 500) DatabaseError("read failed", this);
            return TTinyDataSet::InternalReadRecordAt(index, buffer);
        }
    };
    TFailing failing;
    failing.FieldDefs().Add("Name", ftString, 40);
    failing.FieldDefs().Add("Note", ftString, 80);
    for (int i = 1; i <= 1000; ++i) failing.AddRow({Variant(std::to_string(i)), Variant("x")});
    failing.Open();
    layout.SetDataSet(&failing);
    TReportBand& detail = layout.AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(25);
    detail.AddDBText("QRDBText1", "Name", 2, 2, 80, 7);
    TResponder responder;
    responder.MessageBoxAnswers = {1};
    TReportPreviewForm form(nullptr, layout);
    form.Show();
    EXPECT_FALSE(form.Prepared());
    form.LastAction->trigger();
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_NE(responder.MessageBoxes[0].Text.find("read failed"), std::string::npos) << responder.MessageBoxes[0].Text;
    EXPECT_TRUE(form.Report().Pages.empty());
    EXPECT_FALSE(form.Showing());
}

} // namespace
} // namespace kvz
