#include "platform/rtl/Component.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

struct Watcher : TComponent {
    using TComponent::TComponent;
    std::vector<std::string> heard;
    TComponent* partner = nullptr;
    ~Watcher() override { *freed = true; }
    bool* freed = &dummy;
    bool dummy = false;

protected:
    void Notification(TComponent* c, TOperation op) override {
        heard.push_back((op == TOperation::opInsert ? "+" : "-") + c->Name());
        if (op == TOperation::opRemove && c == partner) partner = nullptr;
    }
};

TEST(Component, OwnerFreesItsComponentsAndIsToldOfThem) {
    bool childFreed = false;
    auto* owner = new Watcher();
    auto* child = new Watcher(owner);
    child->freed = &childFreed;
    child->SetName("DBEdit1");
    auto* sibling = new TComponent(owner);
    sibling->SetName("Table1");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("dbedit1"), child);
    EXPECT_THROW(sibling->SetName("DBEDIT1"), std::invalid_argument);
    EXPECT_EQ(child->heard, std::vector<std::string>{"+"}); // the sibling had no name yet
    delete sibling;
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(child->heard.back(), "-Table1");
    delete owner;
    EXPECT_TRUE(childFreed);
}

TEST(Component, FreeNotificationClearsAReferenceToAComponentOfAnotherOwner) {
    Watcher a;
    auto* b = new TComponent();
    b->SetName("Source");
    a.partner = b;
    a.FreeNotification(b);
    delete b;
    EXPECT_EQ(a.partner, nullptr);
    EXPECT_EQ(a.heard, std::vector<std::string>{"-Source"});
}

} // namespace
} // namespace kvz
