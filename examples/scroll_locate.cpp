// A scrollable dataset: moves to the last row and back, counts rows, keeps a bookmark while it
// wanders off, returns to it, and locates rows by one column or by two.
//
//   scroll_locate "Driver={SQLite3};Database=/tmp/shop.db;"
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

namespace {

String here(TODBCQuery& q) {
    return q.FieldByName("code")->AsString() + " " + q.FieldByName("name")->AsString();
}

} // namespace

int main(int argc, char** argv) {
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        example::exec(db, "DROP TABLE IF EXISTS example_labor");
        example::exec(db, "CREATE TABLE example_labor (code VARCHAR(10) PRIMARY KEY, name VARCHAR(40), hours DOUBLE PRECISION)");
        const char* names[] = {"Oil change", "Brake service", "Tire rotation", "Alignment", "Battery test",
                               "Coolant flush", "Wiper blades"};
        for (int i = 0; i < 7; ++i)
            example::exec(db, "INSERT INTO example_labor (code, name, hours) VALUES (:code, :name, :hours)",
                 {Variant(String("L") + IntToStr(i + 1)), Variant(String(names[i])), Variant(0.5 * (i + 1))});

        TODBCQuery q(nullptr); // scrollable unless SetUniDirectional(true)
        q.SetODBCDatabase(&db);
        q.SetSQLText("SELECT code, name, hours FROM example_labor ORDER BY code");
        q.Open();
        std::cout << "rows: " << q.RecordCount() << "\n";
        q.Last();
        std::cout << "last: " << here(q) << "\n";
        q.MoveBy(-3);
        std::cout << "three back: " << here(q) << "\n";

        TBookmark mark = q.GetBookmark(); // a position to come back to
        q.First();
        std::cout << "first: " << here(q) << "\n";
        q.GotoBookmark(mark);
        std::cout << "back at the bookmark: " << here(q) << "\n";

        bool found = q.Locate("name", "brake", loCaseInsensitive | loPartialKey);
        std::cout << "locate 'brake': " << (found ? here(q) : "not found") << "\n";
        found = q.Locate("code;hours", VarArrayOf({"L6", 3.0}), 0);
        std::cout << "locate L6 at 3 hours: " << (found ? here(q) : "not found") << "\n";
        found = q.Locate("name", "Engine swap", 0);
        std::cout << "locate 'Engine swap': " << (found ? here(q) : "not found") << ", still at " << here(q) << "\n";
        return 0;
    });
}
