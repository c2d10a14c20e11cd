// Two connections on one database, as two workstations: lock waits that end with a clear message,
// numbers claimed rather than overwritten, rows updated only while unchanged, one retry after a
// deadlock or serialization failure.
#include "Concurrency.h"
#include "DatabaseError.h"
#include "Fixture.h"
#include "Transaction.h"

#include <QSqlError>

using kestrum::DatabaseError;

namespace {

class ConcurrencyTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        if (IsSkipped()) return;
        second_ = std::make_unique<TDM>(QString::fromStdString(tdb_->kestrumConnection()));
        exec("Insert Into Customer (ID_Customer, Name_Customer, RowVersion) Values (1, 'Alpha', 0)");
    }
    void TearDown() override {
        second_.reset();
        DataTest::TearDown();
    }
    QString name(int id) {
        dm_->Q4->Clear();
        dm_->Q4->Add("Select Name_Customer From Customer where ID_Customer=?");
        dm_->Q4->Bind(id);
        dm_->Q4->Open();
        return dm_->Q4->FieldByName("Name_Customer").AsString();
    }
    std::unique_ptr<TDM> second_;
};

TEST_P(ConcurrencyTest, AWriteWaitingOnAnotherWorkstationsLockGivesUpWithTheBusyMessage) {
    {
        kestrum::Transaction holding(dm_->database());
        exec("Update Customer Set Name_Customer = 'held' where ID_Customer = 1");
        kestrum::Query* q = second_->Q5;
        q->Clear();
        q->Add("Update Customer Set Name_Customer = 'waiting' where ID_Customer = 1");
        try {
            q->ExecSQL();
            FAIL() << "the second workstation wrote through a held lock";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.reason(), DatabaseError::Reason::Busy) << e.what();
            EXPECT_EQ(e.message(), kestrum::busyMessage());
        }
        holding.commit();
    }
    // Once the lock is gone the same write goes through.
    kestrum::Query* q = second_->Q5;
    q->Clear();
    q->Add("Update Customer Set Name_Customer = 'waiting' where ID_Customer = 1");
    EXPECT_EQ(q->ExecSQL(), 1);
    EXPECT_EQ(name(1), "waiting");
}

TEST_P(ConcurrencyTest, ANumberTakenMeanwhileGivesWayToTheNextFreeOneAndAStaleRowIsNotOverwritten) {
    auto nextFree = [this] {
        second_->Q4->Clear();
        second_->Q4->Add("Select Max(ID_Customer) From Customer");
        second_->Q4->Open();
        return second_->Q4->FieldByName("Expr1000").AsInteger() + 1;
    };
    // Both proposed 2; the first to save keeps it.
    kestrum::NumberedSave save{"Customer", "ID_Customer", 2, false, 0, true, nextFree};
    EXPECT_EQ(kestrum::saveNumbered(dm_->Q5, save, {{"Name_Customer", "Beta"}}).key, 2);
    const kestrum::SaveResult r = kestrum::saveNumbered(second_->Q5, save, {{"Name_Customer", "Gamma"}});
    EXPECT_EQ(r.outcome, kestrum::SaveResult::Outcome::Saved);
    EXPECT_EQ(r.key, 3);
    EXPECT_EQ(name(2), "Beta");
    EXPECT_EQ(name(3), "Gamma");
    // A typed number that is taken is refused, not overwritten.
    save.proposed = false;
    EXPECT_EQ(kestrum::saveNumbered(second_->Q5, save, {{"Name_Customer", "Delta"}}).outcome,
              kestrum::SaveResult::Outcome::Taken);
    EXPECT_EQ(name(2), "Beta");

    // Both loaded customer 1 at version 0; the second Save finds it changed.
    kestrum::NumberedSave loaded{"Customer", "ID_Customer", 1, true, 0, false, {}};
    const kestrum::SaveResult first = kestrum::saveNumbered(dm_->Q5, loaded, {{"Name_Customer", "Alpha One"}});
    EXPECT_EQ(first.outcome, kestrum::SaveResult::Outcome::Saved);
    EXPECT_EQ(first.version, 1);
    EXPECT_EQ(kestrum::saveNumbered(second_->Q5, loaded, {{"Name_Customer", "Alpha Two"}}).outcome,
              kestrum::SaveResult::Outcome::Changed);
    EXPECT_EQ(name(1), "Alpha One");
    EXPECT_EQ(kestrum::rowVersion(second_->Q5, "Customer", {{"ID_Customer", 1}}), 1);
    exec("Delete From Customer where ID_Customer = 1");
    loaded.version = 1;
    EXPECT_EQ(kestrum::saveNumbered(second_->Q5, loaded, {{"Name_Customer", "Alpha Two"}}).outcome,
              kestrum::SaveResult::Outcome::Changed);
    EXPECT_EQ(kestrum::rowVersion(second_->Q5, "Customer", {{"ID_Customer", 1}}), -1);  // not brought back
}

TEST_P(ConcurrencyTest, ALineForADocumentDeletedMeanwhileIsRefused) {
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, RowVersion) Values (5, 'Alpha', 0)");
    kestrum::NumberedSave doc{"Invoice", "InvoiceNo_Inv", 5, true, 0, false, {}};
    {
        kestrum::Transaction t(second_->database());
        EXPECT_EQ(kestrum::holdDocument(second_->Q5, doc, {}, "Invoice").key, 5);
        t.commit();
    }
    exec("Delete From Invoice where InvoiceNo_Inv = 5");
    kestrum::Transaction t(second_->database());
    try {
        kestrum::holdDocument(second_->Q5, doc, {}, "Invoice");
        FAIL() << "a line was let through to a deleted invoice";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.message(), "Invoice 5 was deleted at another workstation. The line was not saved.");
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ConcurrencyTest, TESTSUPPORT_ENGINES);

TEST_P(ConcurrencyTest, ANumberedRecordFollowsWhatItStoredThroughRenumberingChangesAndLineHolds) {
    using Outcome = kestrum::SaveResult::Outcome;
    auto nextFree = [this] {
        dm_->Q4->setStatement("Select Max(InvoiceNo_Inv) From Invoice");
        dm_->Q4->Open();
        return dm_->Q4->FieldByName("Expr1000").AsInteger() + 1;
    };
    auto customer = [this](int number) {
        dm_->Q4->setStatement("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=?", {number});
        dm_->Q4->Open();
        return dm_->Q4->FieldByName("CustomerName_Inv").AsString();
    };
    kestrum::NumberedRecord record("Invoice", "InvoiceNo_Inv", nextFree);

    // New proposes 1; another workstation stores 1 meanwhile, so Save stores under 2, now the loaded one.
    EXPECT_EQ(record.propose(), "1");
    EXPECT_TRUE(record.loadedNumber().isEmpty());
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, RowVersion) Values (1, 'Other', 0)");
    kestrum::SaveResult r = record.save(dm_->Q5, 1, {{"CustomerName_Inv", "Alpha"}});
    EXPECT_EQ(r.outcome, Outcome::Saved);
    EXPECT_EQ(r.key, 2);
    EXPECT_EQ(record.loadedNumber(), "2");
    EXPECT_EQ(customer(1), "Other");

    // Saved again it updates the row it stored and follows its version.
    r = record.save(dm_->Q5, 2, {{"CustomerName_Inv", "Alpha 2"}});
    EXPECT_EQ(r.outcome, Outcome::Saved);
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(kestrum::rowVersion(dm_->Q5, "Invoice", {{"InvoiceNo_Inv", 2}}), 1);

    // Changed at another workstation: nothing written, and the row stays the loaded one.
    exec("Update Invoice Set CustomerName_Inv = 'Elsewhere', RowVersion = 2 where InvoiceNo_Inv = 2");
    EXPECT_EQ(record.save(dm_->Q5, 2, {{"CustomerName_Inv", "Alpha 3"}}).outcome, Outcome::Changed);
    EXPECT_EQ(customer(2), "Elsewhere");
    EXPECT_EQ(record.loadedNumber(), "2");
    // A typed number that is another's is refused; once loaded as stored now, Save goes through.
    EXPECT_EQ(record.save(dm_->Q5, 1, {{"CustomerName_Inv", "Alpha 3"}}).outcome, Outcome::Taken);
    EXPECT_EQ(customer(1), "Other");
    record.setLoaded("2", 2);
    EXPECT_EQ(record.save(dm_->Q5, 2, {{"CustomerName_Inv", "Alpha 3"}}).version, 3);
    EXPECT_EQ(customer(2), "Alpha 3");

    // The first line of a new document stores its header, which becomes the loaded one.
    EXPECT_EQ(record.propose(), "3");
    {
        kestrum::Transaction t(dm_->database());
        r = record.hold(dm_->Q5, 3, true, [] { return kestrum::ColumnValues{{"CustomerName_Inv", "Beta"}}; },
                        "Invoice");
        t.commit();
    }
    EXPECT_EQ(r.key, 3);
    EXPECT_EQ(record.loadedNumber(), "3");
    EXPECT_EQ(customer(3), "Beta");
    // A line for a document no longer shown only locks it; the state stays with the one shown.
    {
        kestrum::Transaction t(dm_->database());
        EXPECT_EQ(record.hold(dm_->Q5, 2, false, {}, "Invoice").key, 2);
        t.commit();
    }
    EXPECT_EQ(record.loadedNumber(), "3");
    EXPECT_EQ(customer(2), "Alpha 3");
    // Nor does a line for a typed number of another stored document make that one the loaded one, so
    // Save still refuses it rather than overwrite it with the boxes (of the same version here).
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, RowVersion) Values (4, 'Stored', 0)");
    {
        kestrum::Transaction t(dm_->database());
        r = record.hold(dm_->Q5, 4, true, [] { return kestrum::ColumnValues{{"CustomerName_Inv", "Boxes"}}; },
                        "Invoice");
        t.commit();
    }
    EXPECT_EQ(r.key, 4);
    EXPECT_EQ(record.loadedNumber(), "3");
    EXPECT_EQ(record.save(dm_->Q5, 4, {{"CustomerName_Inv", "Boxes"}}).outcome, Outcome::Taken);
    EXPECT_EQ(customer(4), "Stored");
    exec("Delete From Invoice where InvoiceNo_Inv = 1");
    kestrum::Transaction t(dm_->database());
    try {
        record.hold(dm_->Q5, 1, false, {}, "Invoice");
        FAIL() << "a line was let through to a deleted invoice";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.message(), "Invoice 1 was deleted at another workstation. The line was not saved.");
    }
    EXPECT_EQ(record.loadedNumber(), "3");
}

TEST(RetryOnce, RunsOnceMoreAfterADeadlockAndReportsASecond) {
    int runs = 0;
    kestrum::retryOnce([&] {
        if (++runs == 1) throw DatabaseError("deadlock", DatabaseError::Reason::Conflict);
    });
    EXPECT_EQ(runs, 2);

    runs = 0;
    try {
        kestrum::retryOnce([&] {
            ++runs;
            throw DatabaseError("deadlock", DatabaseError::Reason::Conflict);
        });
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(runs, 2);
        EXPECT_TRUE(e.message().contains("nothing was saved")) << e.what();
    }

    runs = 0;
    EXPECT_THROW(kestrum::retryOnce([&] {
                     ++runs;
                     throw DatabaseError("syntax error");
                 }),
                 DatabaseError);
    EXPECT_EQ(runs, 1);  // other failures are not repeated
}

TEST(RetryOnce, TheEnginesStatesAndTextsAreRecognised) {
    auto reason = [](const char* state, const char* text) {
        return DatabaseError::reasonOf(QSqlError(QString(), text, QSqlError::StatementError, state));
    };
    EXPECT_EQ(reason("40P01", "ERROR: deadlock detected"), DatabaseError::Reason::Conflict);
    EXPECT_EQ(reason("40001", "could not serialize access"), DatabaseError::Reason::Conflict);
    EXPECT_EQ(reason("55P03", "canceling statement due to lock timeout"), DatabaseError::Reason::Busy);
    EXPECT_EQ(reason("HY000", "database is locked (5)"), DatabaseError::Reason::Busy);
    EXPECT_EQ(reason("42601", "syntax error at or near"), DatabaseError::Reason::Other);
}

}  // namespace
