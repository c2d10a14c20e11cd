#include <vantrel/framework/Classes.h>

#include <gtest/gtest.h>

#include <vector>

using namespace vantrel;

namespace {

// Records what it hears and keeps a reference that it drops when told the target is gone.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    ~TWatcher() override {
        if (Log)
            Log->push_back("destroy " + Name() + (IsDestroying() ? " destroying" : ""));
    }
    TComponent* Target = nullptr;
    std::vector<String>* Log = nullptr;

    void Watch(TComponent* target) {
        Target = target;
        if (target)
            target->FreeNotification(this);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == Target) {
            if (Log)
                Log->push_back(Name() + " lost " + Target->Name());
            Target = nullptr;
        }
    }
};

} // namespace

TEST(Components, OwnerFreesChildrenLastFirstAndChildrenLeaveTheirOwner) {
    std::vector<String> log;
    auto* root = new TWatcher(nullptr);
    root->SetName("Root");
    auto* a = new TWatcher(root);
    a->SetName("A");
    a->Log = &log;
    auto* b = new TWatcher(root);
    b->SetName("B");
    b->Log = &log;
    auto* c = new TWatcher(a);
    c->SetName("C");
    c->Log = &log;
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), root);
    EXPECT_EQ(b->ComponentIndex(), 1);

    delete b; // a child freed on its own leaves its owner's list
    EXPECT_EQ(root->ComponentCount(), 1);
    EXPECT_EQ(root->Components(0), a);
    EXPECT_THROW(root->Components(1), EListError);

    log.clear();
    root->Free();
    // Every owned component is marked destroying before any destructor runs.
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "destroy A destroying");
    EXPECT_EQ(log[1], "destroy C destroying");
}

TEST(Components, FreeNotificationClearsReferencesBothWays) {
    std::vector<String> log;
    auto* target = new TWatcher(nullptr);
    target->SetName("Target");
    auto* watcher = new TWatcher(nullptr);
    watcher->SetName("Watcher");
    watcher->Log = &log;
    watcher->Watch(target);
    target->Watch(watcher); // the mutual case: each refers to the other

    delete target;
    EXPECT_EQ(watcher->Target, nullptr);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Watcher lost Target");

    // The watcher's own free must not reach back into the freed target (ASan would report it).
    delete watcher;
}

TEST(Components, WatcherFreedFirstIsForgottenByTarget) {
    auto* target = new TWatcher(nullptr);
    auto* watcher = new TWatcher(nullptr);
    watcher->Watch(target);
    delete watcher;
    delete target; // must not notify the freed watcher
    SUCCEED();
}

TEST(Components, SiblingsHearOfRemovalThroughTheirOwner) {
    TWatcher root(nullptr);
    auto* db = new TWatcher(&root);
    db->SetName("DB");
    auto* query = new TWatcher(&root);
    query->SetName("Query");
    query->Target = db; // no FreeNotification: the owner tells its components
    delete db;
    EXPECT_EQ(query->Target, nullptr);
}

TEST(Components, NamesAreIdentifiersUniqueAmongSiblingsIgnoringCase) {
    TComponent root(nullptr);
    auto* a = new TComponent(&root);
    a->SetName("Query1");
    auto* b = new TComponent(&root);
    try {
        b->SetName("QUERY1");
        FAIL() << "duplicate name accepted";
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "A component named QUERY1 already exists");
    }
    EXPECT_EQ(b->Name(), "");
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("a b"), EComponentError);
    b->SetName("Query2");
    a->SetName("query1"); // renaming itself with another case is fine
    EXPECT_EQ(root.FindComponent("QUERY2"), b);
    EXPECT_EQ(root.FindComponent("Nope"), nullptr);
    auto* c = new TComponent(&root);
    auto* d = new TComponent(&root); // empty names may repeat
    EXPECT_EQ(c->Name(), d->Name());

    // Same name under another owner is fine; moving it into this owner is not.
    TComponent other(nullptr);
    auto* e = new TComponent(&other);
    e->SetName("Query2");
    EXPECT_THROW(root.InsertComponent(e), EComponentError);
    EXPECT_EQ(e->Owner(), &other);
    EXPECT_THROW(a->InsertComponent(&root), EComponentError); // no ownership cycles
}

TEST(Components, InsertComponentMovesBetweenOwners) {
    TComponent first(nullptr), second(nullptr);
    auto* c = new TComponent(&first);
    second.InsertComponent(c);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(c->Owner(), &second);
    second.RemoveComponent(c);
    EXPECT_EQ(c->Owner(), nullptr);
    delete c;
}

TEST(Components, AssignBetweenUnrelatedClassesFails) {
    TComponent a(nullptr), b(nullptr);
    try {
        a.Assign(&b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TComponent to a TComponent");
    }
    EXPECT_THROW(a.Assign(nullptr), EConvertError);
    TStringList l1, l2;
    l2.Add("x");
    l1.Assign(&l2);
    EXPECT_EQ(l1.Text(), "x\n");
}

TEST(Components, ListOwningSubclassFreesThroughNotify) {
    struct TOwningList : TList {
        ~TOwningList() override { Clear(); }
        void Notify(void* item, TListNotification action) override {
            if (action == lnDeleted)
                delete static_cast<TComponent*>(item);
        }
    };
    TOwningList list;
    list.Add(new TComponent(nullptr));
    auto* kept = new TComponent(nullptr);
    list.Add(kept);
    list.Add(new TComponent(nullptr));
    EXPECT_EQ(list.Extract(kept), kept);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_THROW(list.Get(5), EListError);
    delete kept;
}
