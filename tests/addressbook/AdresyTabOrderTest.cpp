#include "controls/ToolEdit.h"

#include <QTabBar>
#include <QTabWidget>

#include <map>

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

// In a network edit each copy stands exactly where its control stands in a local edit, at its
// size, on every page, the pages' tabs stay, and Tab steps through the copies in the order it
// steps through the controls.
TEST_F(AdresyTabOrderTest, EachCopyOfANetworkEditTakesThePlaceAndTheTabOrderOfItsControl) {
    for (int language : {1, 2, 3}) {
        SCOPED_TRACE(language);
        Start(language);
        AddRows({"Alfa"});
        ASSERT_TRUE(Addresses().Locate("Firma", Variant("Alfa"), 0));
        auto nameOf = [&](QWidget* w) {
            for (; w; w = w->parentWidget())
                for (int i = 0; i < book->ComponentCount(); ++i)
                    if (auto* c = dynamic_cast<TControl*>(book->Components(i)); c && c->Widget() == w) return c->Name();
            return std::string("nothing");
        };
        auto copyName = [](std::string name) {
            for (auto [data, copy] : {std::pair<std::string, std::string>{"DBDateEdit", "ShDate"}, {"DBCheckBox", "ShCheck"},
                                      {"DBEdit", "ShEdit"}, {"DBMemo", "ShMemo"}})
                if (name.rfind(data, 0) == 0) return copy + name.substr(data.size());
            return name;
        };
        // What shows on a page: each field control's rectangle in the window, and the stops of
        // Tab from the page's first control until the focus leaves the page's fields.
        struct Page {
            std::map<std::string, QRect> places;
            std::vector<std::string> stops;
        };
        const char* firstOf[] = {"DBEdit2", "DBEdit15"};
        auto look = [&](int page, bool copies) {
            book->PageControl1->SetActivePageIndex(page);
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents();
            Page seen;
            for (int i = 0; i < book->ComponentCount(); ++i) {
                auto* c = dynamic_cast<TControl*>(book->Components(i));
                if (!c || !c->Widget() || !c->Widget()->isVisible()) continue;
                const std::string name = c->Name();
                const bool field = name.rfind(copies ? "Sh" : "DB", 0) == 0 && name.rfind("DBGrid", 0) != 0;
                if (!field && name != "PageControl1") continue;
                QWidget* w = c->Widget();
                seen.places[name] = QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
            }
            auto* first = dynamic_cast<TWinControl*>(book->FindComponent(copies ? copyName(firstOf[page]) : firstOf[page]));
            first->SetFocus();
            QApplication::processEvents();
            for (int step = 0; step < 30; ++step) {
                const std::string at = nameOf(QApplication::focusWidget());
                if (at.rfind(copies ? "Sh" : "DB", 0) != 0 || at.rfind("DBGrid", 0) == 0) break;
                seen.stops.push_back(at);
                testing::TypeKey(QApplication::focusWidget(), Qt::Key_Tab);
                QApplication::processEvents();
            }
            return seen;
        };
        frame->EditButtonClick(frame); // a local edit: the date edits and boxes take part
        const Page local[2] = {look(0, false), look(1, false)};
        frame->CancelButtonClick(frame);
        ProgramState().NetworkMode = true;
        data->CreateLockFile(data->LockFileName(TableId::Address));
        frame->EditButtonClick(frame);
        for (int page = 0; page < 2; ++page) {
            SCOPED_TRACE(page);
            const Page net = look(page, true);
            auto* tabs = static_cast<QTabWidget*>(book->PageControl1->Widget());
            EXPECT_TRUE(tabs->tabBar()->isVisible());
            ASSERT_GT(local[page].places.size(), 3u);
            for (const auto& [name, place] : local[page].places) {
                const std::string copy = name == "PageControl1" ? name : copyName(name);
                auto it = net.places.find(copy);
                if (it == net.places.end()) {
                    ADD_FAILURE() << copy << " does not show";
                    continue;
                }
                EXPECT_EQ(it->second, place) << copy;
                EXPECT_GT(place.height(), 10) << name;
            }
            std::vector<std::string> expected;
            for (const std::string& stop : local[page].stops) expected.push_back(copyName(stop));
            EXPECT_GT(expected.size(), 5u);
            EXPECT_EQ(net.stops, expected);
        }
        frame->CancelButtonClick(frame);
        ProgramState().NetworkMode = false;
        Stop();
    }
}

} // namespace
} // namespace kvz
