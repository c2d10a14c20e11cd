// An editable dataset: the program edits, inserts and deletes rows in the dataset, and its update
// handlers write each change to the table with a parameterised statement. The dataset reads the
// rows again after each change, so it shows what the table holds.
//
//   editable_dataset "Driver={SQLite3};Database=/tmp/shop.db;"
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

namespace {

// Runs `sql` with its parameters taken from the record's fields of the same name; ":old_id" is
// the key before the edit.
void write(TODBCDatabase& db, const String& sql, TDataSet* record) {
    TODBCQuery w(nullptr);
    w.SetODBCDatabase(&db);
    w.SetSQLText(sql);
    for (int i = 0; i < w.Params()->Count(); ++i) {
        TODBCParam* p = w.Params()->Items(i);
        if (p->Name() == "old_id")
            p->SetAsVariant(record->FieldByName("id")->OldValue());
        else
            p->SetAsVariant(record->FieldByName(p->Name())->Value());
    }
    w.ExecSQL();
}

void list(TODBCExtQuery& q) {
    for (q.First(); !q.Eof(); q.Next())
        std::cout << "  " << q.FieldByName("id")->AsInteger() << " " << q.FieldByName("name")->AsString() << " x"
                  << q.FieldByName("qty")->AsInteger() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        for (const char* sql : {"DROP TABLE IF EXISTS example_stock",
                                "CREATE TABLE example_stock (id INTEGER PRIMARY KEY, name VARCHAR(40), qty INTEGER)",
                                "INSERT INTO example_stock VALUES (1, 'Brake pad', 4)",
                                "INSERT INTO example_stock VALUES (2, 'Oil filter', 10)",
                                "INSERT INTO example_stock VALUES (3, 'Spark plug', 16)"})
            example::exec(db, sql);

        TODBCExtQuery q(nullptr);
        q.SetODBCDatabase(&db);
        q.SetSQLText("SELECT id, name, qty FROM example_stock ORDER BY id");
        // Each handler writes one change; leaving `action` at uaApplied says it was written.
        q.OnUpdateRec = [&db](TDataSet* ds, TUpdateKind, TUpdateAction&) {
            write(db, "UPDATE example_stock SET id = :id, name = :name, qty = :qty WHERE id = :old_id", ds);
        };
        q.OnInsertRec = [&db](TDataSet* ds, TUpdateKind, TUpdateAction&) {
            write(db, "INSERT INTO example_stock (id, name, qty) VALUES (:id, :name, :qty)", ds);
        };
        q.OnDeleteRec = [&db](TDataSet* ds, TUpdateKind, TUpdateAction& action) {
            if (ds->FieldByName("qty")->AsInteger() > 0) {
                action = uaAbort; // parts in stock are kept
                return;
            }
            write(db, "DELETE FROM example_stock WHERE id = :old_id", ds);
        };
        q.Open();

        q.Locate("id", 2, 0);
        q.Edit();
        q.FieldByName("qty")->SetAsInteger(12);
        q.Post();

        q.Append();
        q.FieldByName("id")->SetAsInteger(4);
        q.FieldByName("name")->SetAsString("Wiper blade");
        q.FieldByName("qty")->SetAsInteger(0);
        q.Post();

        q.Locate("id", 1, 0);
        try {
            q.Delete();
        } catch (const EAbort&) {
            std::cout << "delete of id 1 refused: still in stock\n"; // the row stays
        }
        q.Locate("id", 4, 0);
        q.Delete();

        std::cout << "dataset:\n";
        list(q);
        TODBCQuery check(nullptr);
        check.SetODBCDatabase(&db);
        check.SetSQLText("SELECT COUNT(*), SUM(qty) FROM example_stock");
        check.Open();
        std::cout << "table: " << check.Fields()->operator[](0)->AsInteger() << " rows, "
                  << check.Fields()->operator[](1)->AsInteger() << " parts\n";
        return check.Fields()->operator[](1)->AsInteger() == 32 ? 0 : 1;
    });
}
