// An entity over one table: it generates the SQL for its fields, then adds, finds, changes,
// locks and deletes rows. The entity owns its field items; it runs on the connection in DataBase.
//
//   entity_rows "Driver={SQLite3};Database=/tmp/shop.db;"
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

namespace {

void show(const char* title, TStrings& lines) {
    std::cout << title << ": " << Trim(lines.Text()) << "\n";
}

} // namespace

int main(int argc, char** argv) {
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        DataBase = &db;
        ExecuteQuery("DROP TABLE IF EXISTS example_vendor");
        ExecuteQuery("CREATE TABLE example_vendor (id INTEGER PRIMARY KEY, name VARCHAR(40), city VARCHAR(40))");

        TUserEntity vendor;
        vendor.SetfactTable("example_vendor");
        vendor.SetviewTable("example_vendor");
        vendor.SetviewEntity("Vendors");
        //                 column  select  caption  width  in view  visible  sortable  fixed  type  operations
        vendor.CreateField("id", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
        vendor.CreateField("name", "", "Name", 30, true, true, true, false, ftString, cnstETField);
        vendor.CreateField("city", "", "City", 20, true, true, true, false, ftString, cnstETField);

        TStringList sql;
        vendor.GenerateSQLInsert(&sql);
        show("insert", sql);
        sql.Clear();
        vendor.GenerateSQLDelete(&sql);
        show("delete", sql);

        const std::vector<std::vector<Variant>> rows = {
            {1, "Parts Plus", "Springfield"}, {2, "Brake World", "Shelbyville"}, {3, "Oil & More", "Springfield"}};
        for (const auto& row : rows) {
            vendor.ClearFieldsValue();
            vendor.SetFieldValue("id", row[0]);
            vendor.SetFieldValue("name", row[1]);
            vendor.SetFieldValue("city", row[2]);
            vendor.Add();
        }

        vendor.SetOrdering(0); // by the first sortable field
        vendor.EntityOpen();
        TODBCQuery* view = vendor.Query(); // owned by the entity
        vendor.SetFieldFind("name", "brake");
        if (vendor.Find())
            std::cout << "found: " << view->FieldByName("id")->AsInteger() << " " << view->FieldByName("name")->AsString() << "\n";

        // Change vendor 2: lock its row first; the lock holds until the transaction ends.
        vendor.ClearFieldsValue();
        vendor.SetFieldValue("id", 2);
        vendor.SetFieldValue("name", "Brake World Inc.");
        vendor.SetFieldValue("city", "Capital City");
        const TLockResult lock = vendor.Lock();
        std::cout << "lock: " << (lock == lrOk ? "ok" : lock == lrLocked ? "locked by another" : "row gone") << "\n";
        if (lock == lrOk) {
            vendor.Edit();
            if (db.InTransaction())
                db.Commit(); // ends the lock's transaction: the change is kept
        }

        vendor.ClearFieldsValue();
        vendor.SetFieldValue("id", 3);
        vendor.Delete();

        auto q = OpenQuery("SELECT id, name, city FROM example_vendor ORDER BY id");
        int count = 0;
        for (; !q->Eof(); q->Next(), ++count)
            std::cout << "  " << q->FieldByName("id")->AsInteger() << " " << q->FieldByName("name")->AsString() << ", "
                      << q->FieldByName("city")->AsString() << "\n";
        q.reset();
        vendor.execClose();
        DataBase = nullptr;
        return count == 2 ? 0 : 1;
    });
}
