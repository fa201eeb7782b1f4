#include "addressbook/UserFields.h"

#include "AdresyChildTesting.h"

namespace kvz {
namespace {

using UserDragTest = AdresyWindowTest;

TEST_F(UserDragTest, AControlDraggedWhileTheEditorIsOpenMovesAndTheLayoutFileKeepsIt) {
    Start(1);
    book->PageControl1->SetActivePageIndex(1);
    book->NewFieldPopupClick();
    book->Edit9->SetText("Hobby");
    book->Edit5->SetText("90");
    book->Edit6->SetText("230");
    book->Edit7->SetText("36");
    book->Edit8->SetText("234");
    book->BitBtn1Click();
    book->BitBtn1Click(); // the editor stayed on what was added; this OK closes it
    auto* edit = dynamic_cast<TDBEdit*>(book->FindComponent("UserDBEdit1"));
    auto* label = dynamic_cast<TLabel*>(book->FindComponent("UserLabel1"));
    ASSERT_TRUE(edit && label);
    QApplication::processEvents();

    // With the editor closed a drag only selects.
    testing::Press(*edit, 5, 5);
    testing::Move(*edit, 45, 25);
    testing::Release(*edit, 45, 25);
    EXPECT_EQ(book->SelectedControl(), edit);
    EXPECT_EQ(edit->Left(), 90);

    // Open, the control stays put while the editor follows the mouse, and moves on release.
    book->EdipPopupClick();
    testing::Press(*label, 2, 2);
    EXPECT_EQ(book->SelectedControl(), label);
    testing::Press(*edit, 5, 5, Qt::RightButton);
    EXPECT_EQ(book->SelectedControl(), edit);
    testing::Release(*edit, 5, 5, Qt::RightButton);
    testing::Press(*edit, 5, 5);
    testing::Move(*edit, 45, 25);
    EXPECT_EQ(edit->Left(), 90);
    EXPECT_EQ(book->Edit5->Text(), "130");
    EXPECT_EQ(book->Edit6->Text(), "250");
    testing::Release(*edit, 45, 25);
    EXPECT_EQ(edit->Left(), 130);
    EXPECT_EQ(edit->Top(), 250);
    EXPECT_EQ(book->Edit5->Text(), "130");
    // A label goes the same way.
    testing::Press(*label, 2, 2);
    testing::Release(*label, 12, 2);
    EXPECT_EQ(label->Left(), 46);
    book->BitBtn2Click();

    book->ZapisKomponenty();
    const std::vector<TUserFieldRec> layout = ReadUserFieldFile(dataFolder / "Jano.ucs");
    ASSERT_EQ(layout.size(), 2u);
    EXPECT_EQ(layout[0].Left, 130);
    EXPECT_EQ(layout[0].Top, 250);
    EXPECT_EQ(layout[1].Left, 46);
}

} // namespace
} // namespace kvz
