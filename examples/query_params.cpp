// Fills a table through one prepared insert with named parameters, then reads it back with a
// parameterised select on a forward-only block cursor (rows fetched from the driver fifty at a
// time).
//
//   query_params "Driver={SQLite3};Database=/tmp/shop.db;"
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

int main(int argc, char** argv) {
    return example::run(argc, argv, [&](TODBCDatabase& db) {

        example::exec(db, "DROP TABLE IF EXISTS example_part");
        example::exec(db, "CREATE TABLE example_part (id INTEGER PRIMARY KEY, name VARCHAR(40), price DOUBLE PRECISION)");

        // One statement, prepared once, run with new values each time: values are always bound,
        // never pasted into the text.
        TODBCQuery insert(nullptr);
        insert.SetODBCDatabase(&db);
        insert.SetSQLText("INSERT INTO example_part (id, name, price) VALUES (:id, :name, :price)");
        insert.Prepare();
        {
            TODBCTransaction transaction(db);
            for (int id = 1; id <= 200; ++id) {
                insert.ParamByName("id")->SetAsInteger(id);
                insert.ParamByName("name")->SetAsString("Part " + IntToStr(id) + (id % 7 ? "" : " (O'Brien's)"));
                insert.ParamByName("price")->SetAsFloat(id * 0.25);
                insert.ExecSQL();
            }
            transaction.Commit();
        }

        TODBCQuery select(nullptr);
        select.SetODBCDatabase(&db);
        select.SetSQLText("SELECT id, name, price FROM example_part WHERE price >= :low AND name LIKE :pattern ORDER BY id");
        select.SetUniDirectional(true); // forward only ...
        select.SetBlockCursor(true);    // ... in blocks of RowSetSize rows
        select.SetRowSetSize(50);
        select.ParamByName("low")->SetAsFloat(10.0);
        select.ParamByName("pattern")->SetAsString("%O'Brien%");
        select.Open();
        int rows = 0;
        double total = 0;
        for (; !select.Eof(); select.Next()) {
            ++rows;
            total += select.FieldByName("price")->AsFloat();
            if (rows <= 3)
                std::cout << select.FieldByName("id")->AsInteger() << " " << select.FieldByName("name")->AsString()
                          << "\n";
        }
        std::cout << rows << " row(s), total price " << FloatToStr(total) << "\n";
        select.Close();
        return rows == 23 ? 0 : 1;
    });
}
