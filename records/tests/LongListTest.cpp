// The parts catalogue shows its first page at once and is counted on a connection of its own; the
// list stays true for every action taken before the count arrives.
#include "RecordsFixture.h"

#include "CountGate.h"
#include "TPart.h"
#include "Transaction.h"

#include <QAbstractItemModel>

namespace {

constexpr int Parts = 600;

// Names run against the keys, so that a title sort puts the first part last.
QString nameOf(int id)
{
    return QString("N%1").arg(1000 - id);
}

}  // namespace

TEST_P(RecordsTest, ALongPartsListShowsItsFirstPageAndItsTotalOnceCounted)
{
    {
        kestrum::Transaction t(dm_->database());
        for (int id = 1; id <= Parts; ++id)
            exec("Insert Into Part (ID_Material, Number_Material, Color_Material) Values (?, ?, ?)",
                 {id, nameOf(id), QString("C%1").arg(id)});
        t.commit();
    }
    testsupport::CountGate gate;
    TPart* w = open<TPart>();
    QAbstractItemModel* model = w->grid()->model();
    EXPECT_EQ(model->rowCount(), 256);
    EXPECT_EQ(text(w, "Label14"), "");  // not a short total meanwhile
    EXPECT_EQ(text(w, "Edit1"), "1");
    gate.open();
    EXPECT_EQ(model->rowCount(), Parts);
    EXPECT_EQ(text(w, "Label14"), QString::number(Parts));
    EXPECT_EQ(model->index(Parts - 1, 0).data().toString(), QString::number(Parts));

    // A title sort before the count: the record shown (part 1, now last by name) stays the
    // highlighted row, which needs the count at once.
    gate.hold();
    click(w, "Button5");  // Refresh reads the list again
    ASSERT_EQ(model->rowCount(), 256);
    clickRow(w->grid(), 0);
    ASSERT_EQ(text(w, "Edit1"), "1");
    clickTitle(w->grid(), 2);
    EXPECT_EQ(model->rowCount(), Parts);
    EXPECT_EQ(w->grid()->currentIndex().row(), Parts - 1);
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Material").AsString(), "1");
    EXPECT_EQ(text(w, "Label14"), QString::number(Parts));
    for (int row : {0, 255, 256, Parts - 1})
        EXPECT_EQ(model->index(row, 2).data().toString(), nameOf(Parts - row)) << row;
    gate.open();  // the count of the opening before the sort comes late and changes nothing
    EXPECT_EQ(model->rowCount(), Parts);
    EXPECT_EQ(w->grid()->currentIndex().row(), Parts - 1);

    // A search past the first page before the count: found where the whole list has it.
    gate.hold();
    click(w, "Button5");
    ASSERT_EQ(model->rowCount(), 256);
    setText(w, "Edit6", "N500");  // part 500, the 500th row by key
    EXPECT_EQ(text(w, "Edit1"), "500");
    EXPECT_EQ(w->grid()->currentIndex().row(), 499);
    EXPECT_EQ(model->rowCount(), Parts);

    // Last before the count, with a part added meanwhile.
    click(w, "Button5");
    ASSERT_EQ(model->rowCount(), 256);
    exec("Insert Into Part (ID_Material, Number_Material) Values (?, ?)", {Parts + 1, "Late"});
    click(w, "NavLast");
    EXPECT_EQ(text(w, "Edit1"), QString::number(Parts + 1));
    EXPECT_EQ(model->rowCount(), Parts + 1);
    EXPECT_EQ(text(w, "Label14"), QString::number(Parts + 1));
    gate.open();
    EXPECT_EQ(model->rowCount(), Parts + 1);
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(RecordsTest, APartsWindowClosedBeforeItsCountArrivesLeavesTheCountToNobodyAndOpensWholeAgain)
{
    {
        kestrum::Transaction t(dm_->database());
        for (int id = 1; id <= Parts; ++id)
            exec("Insert Into Part (ID_Material, Number_Material) Values (?, ?)", {id, nameOf(id)});
        t.commit();
    }
    testsupport::CountGate gate;
    QPointer<TPart> first = open<TPart>();
    ASSERT_EQ(first->grid()->model()->rowCount(), 256);
    ASSERT_TRUE(DM->QPart1->countPending());
    ASSERT_TRUE(first->close());
    testsupport::settle();
    EXPECT_TRUE(first.isNull());
    // The count runs and arrives with its window gone: the list it was for is closed and stays so.
    gate.open();
    EXPECT_FALSE(DM->QPart1->Active());
    EXPECT_TRUE(dialogs_->errors().isEmpty());

    gate.hold();
    exec("Insert Into Part (ID_Material, Number_Material) Values (?, ?)", {Parts + 1, "Late"});
    TPart* again = open<TPart>();
    QAbstractItemModel* model = again->grid()->model();
    EXPECT_EQ(model->rowCount(), 256);
    gate.open();
    EXPECT_EQ(model->rowCount(), Parts + 1);
    EXPECT_EQ(text(again, "Label14"), QString::number(Parts + 1));
    EXPECT_EQ(model->index(Parts, 0).data().toString(), QString::number(Parts + 1));
}
