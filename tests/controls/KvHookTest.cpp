#include "controls/KvHook.h"
#include "forms/FormsTesting.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

#include <QMouseEvent>

#include <stdexcept>
#include <string>
#include <vector>

namespace kvz {
namespace {

class HookTest : public testing::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        form.SetClientSize(200, 100);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, 100, 50);
        panel->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState, int, int) { log.push_back("control"); };
    }
    TKvWindowHook* NewHook(const std::string& name) {
        auto* hook = new TKvWindowHook(&form);
        hook->BeforeMessage = [this, name](TComponent*, QEvent* e, bool& handled) {
            if (e->type() != QEvent::MouseButtonPress) return;
            log.push_back(name + " before");
            if (name == handles) handled = true;
            if (name == fails) throw std::runtime_error("hook failed");
        };
        hook->AfterMessage = [this, name](TComponent*, QEvent* e, bool&) {
            if (e->type() == QEvent::MouseButtonPress) log.push_back(name + " after");
        };
        hook->SetWinControl(panel);
        return hook;
    }
    TForm form{nullptr};
    TCustomControl* panel = new TCustomControl(&form);
    std::vector<std::string> log;
    std::string handles, fails;
};

TEST_F(HookTest, HooksSeeEventsBeforeAndAfterTheControlLastAttachedFirst) {
    NewHook("first");
    NewHook("second");
    EXPECT_EQ(HookRegistry().FindControlHook(panel)->HookCount(), 2);
    testing::Press(*panel, 5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"second before", "first before", "control", "second after", "first after"}));
}

TEST_F(HookTest, AHandledEventNeverReachesTheControl) {
    NewHook("first");
    NewHook("second");
    handles = "second";
    testing::Press(*panel, 5, 5);
    EXPECT_EQ(log, std::vector<std::string>{"second before"});
}

TEST_F(HookTest, AFailingHookGoesToTheHandlerAndTheOthersStillRun) {
    TResponder responder;
    responder.MessageBoxAnswers = {IDOK};
    NewHook("first");
    NewHook("second");
    fails = "second";
    testing::Press(*panel, 5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"second before", "first before", "control", "second after", "first after"}));
    ASSERT_EQ(responder.MessageBoxes.size(), 1u);
    EXPECT_EQ(responder.MessageBoxes[0].Text, "hook failed");
}

TEST_F(HookTest, InactiveOrUnhookedHooksSeeNothingAndTheRegistryLetsGo) {
    TKvWindowHook* hook = NewHook("first");
    hook->SetActive(false);
    testing::Press(*panel, 5, 5);
    EXPECT_EQ(log, std::vector<std::string>{"control"});
    hook->SetActive(true);
    delete panel; // the hooked control goes: the hook forgets it
    EXPECT_EQ(hook->WinControl(), nullptr);
    QApplication::processEvents(); // the control hook is released afterwards
    EXPECT_EQ(HookRegistry().Count(), 0);
}

} // namespace
} // namespace kvz
