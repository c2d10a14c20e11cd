// Connects to the ODBC connection string given on the command line, lists the tables and their
// columns, then in one transaction creates a scratch table and rolls it back again: the table is
// listed inside the transaction and gone after it.
//
//   connect_list_tables "Driver={SQLite3};Database=/tmp/shop.db;"
#include "ExampleMain.h"

#include <iostream>

using namespace vantrel;

namespace {

bool listed(TODBCDatabase& db, const String& table) {
    TStringList tables;
    db.GetTables(&tables, nullptr, nullptr, nullptr);
    return tables.IndexOf(table) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!example::usage(argc, argv))
        return 2;
    return example::guarded([&] {
        TODBCDatabase db(nullptr);
        db.SetDatabaseName("Example");
        db.SetConnectStr(argv[1]);
        db.SetDriverConnectOption(dcoDriverNoPrompt);
        db.Open();

        TStringList tables, owners, types;
        db.GetTables(&tables, &owners, &types, nullptr);
        std::cout << tables.Count() << " table(s)\n";
        for (int i = 0; i < tables.Count(); ++i) {
            TStringList columns;
            db.GetColumns(tables[i], &columns);
            std::cout << (owners[i].empty() ? "" : owners[i] + ".") << tables[i] << " (" << types[i] << "): "
                      << columns.CommaText() << "\n";
        }

        // A transaction that is not committed leaves nothing behind.
        {
            TODBCTransaction transaction(db);
            example::exec(db, "CREATE TABLE vantrel_example_scratch (id INTEGER)");
            example::exec(db, "INSERT INTO vantrel_example_scratch (id) VALUES (1)");
            std::cout << "in transaction: scratch table " << (listed(db, "vantrel_example_scratch") ? "listed" : "missing")
                      << "\n";
        }  // rolled back here
        const bool left = listed(db, "vantrel_example_scratch");
        std::cout << "after rollback: scratch table " << (left ? "still there" : "gone") << "\n";
        db.Close();
        return left ? 1 : 0;
    });
}
