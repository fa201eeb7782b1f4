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

// The names an owner holds follow renames and moves: an old name is free again, a moved
// component takes its name along, and letters of every language compare without case.
TEST(Component, NamesFollowRenamesAndMoves) {
    TComponent owner, other;
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Čiara");
    b->SetName("");
    EXPECT_NO_THROW(new TComponent(&owner)); // empty names never clash
    EXPECT_THROW(b->SetName("čIARA"), std::invalid_argument);
    EXPECT_EQ(b->Name(), "");
    a->SetName("ČIARA"); // its own name in another case
    EXPECT_EQ(owner.FindComponent("čiara"), a);
    a->SetName("Label1");
    EXPECT_EQ(owner.FindComponent("Čiara"), nullptr);
    b->SetName("Čiara");
    EXPECT_EQ(owner.FindComponent("čiara"), b);

    auto* c = new TComponent(&other);
    c->SetName("label1");
    EXPECT_THROW(owner.InsertComponent(c), std::invalid_argument);
    EXPECT_EQ(c->Owner(), &other);
    c->SetName("Text1");
    owner.InsertComponent(c);
    EXPECT_EQ(other.FindComponent("text1"), nullptr);
    EXPECT_EQ(owner.FindComponent("TEXT1"), c);
    EXPECT_THROW(c->SetName("label1"), std::invalid_argument);
    delete b;
    EXPECT_EQ(owner.FindComponent("Čiara"), nullptr);
}

} // namespace
} // namespace kvz
