#include "controls/ToolEdit.h"

#include "AdresyChildTesting.h"

namespace kvz {
namespace {

using AdresyTabOrderTest = AdresyWindowTest;

// Tab from each control lands on the next of the list, while browsing and on the copies of
// a network edit alike.
TEST_F(AdresyTabOrderTest, TabFollowsTheWindowsOrderOnTheControlsAndOnTheCopies) {
    Start(1);
    AddRows({"Alfa"});
    auto tabFrom = [&](const char* from) {
        auto* control = dynamic_cast<TWinControl*>(book->FindComponent(from));
        EXPECT_NE(control, nullptr) << from;
        if (!control) return std::string();
        control->SetFocus();
        QApplication::processEvents();
        testing::TypeKey(QApplication::focusWidget(), Qt::Key_Tab);
        QApplication::processEvents();
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            for (int i = 0; i < book->ComponentCount(); ++i)
                if (auto* c = dynamic_cast<TControl*>(book->Components(i)); c && c->Widget() == w) return c->Name();
        return std::string("nothing");
    };
    // The name, the pages' tabs, into the page, the panels in their place: no stop that shows
    // nothing. (A key in the quick list sends the focus to the e-mail edit, as the window wants.)
    const std::pair<const char*, const char*> basic[] = {
        {"DBEdit1", "PageControl1"}, {"PageControl1", "DBEdit2"}, {"DBEdit2", "DBEdit3"},
        {"DBEdit3", "DBMemo1"},      {"DBMemo2", "DBEdit4"},      {"DBEdit4", "DBMemo3"},
        {"DBMemo3", "DBEdit5"},      {"DBEdit9", "DBEdit10"},     {"DBEdit10", "DBEdit13"},
        {"DBEdit13", "DBEdit11"},    {"DBEdit11", "DBEdit12"},    {"DBEdit18", "DBGrid1"}};
    ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
    book->PageControl1->SetActivePageIndex(0);
    for (const auto& [from, to] : basic) EXPECT_EQ(tabFrom(from), to) << from;
    book->PageControl1->SetActivePageIndex(1);
    // The date edits and reminder boxes are disabled while browsing: Tab passes them by.
    const std::pair<const char*, const char*> personal[] = {{"DBEdit15", "DBEdit14"}, {"DBEdit16", "DBEdit17"}};
    for (const auto& [from, to] : personal) EXPECT_EQ(tabFrom(from), to) << from;

    ProgramState().NetworkMode = true;
    data->CreateLockFile(data->LockFileName(TableId::Address));
    frame->EditButtonClick(frame);
    EXPECT_EQ(dynamic_cast<TWinControl*>(book->FindComponent("ShDate1"))->TabOrder(), 3);
    EXPECT_EQ(dynamic_cast<TWinControl*>(book->FindComponent("ShMemo4"))->TabOrder(), 8);
    EXPECT_EQ(tabFrom("ShEdit15"), "ShEdit14");
    EXPECT_EQ(tabFrom("ShEdit16"), "ShDate1");
    book->PageControl1->SetActivePageIndex(0);
    EXPECT_EQ(tabFrom("ShEdit1"), "PageControl1");
    EXPECT_EQ(tabFrom("PageControl1"), "ShEdit2");
    EXPECT_EQ(tabFrom("ShEdit3"), "ShMemo1");
    EXPECT_EQ(tabFrom("ShEdit4"), "ShMemo3");
    frame->CancelButtonClick(frame);
    EXPECT_EQ(book->DBMemo2->TabOrder(), 3);
    EXPECT_EQ(tabFrom("DBEdit3"), "DBMemo1");
    ProgramState().NetworkMode = false;
}

} // namespace
} // namespace kvz
