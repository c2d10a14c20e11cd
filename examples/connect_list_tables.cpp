// Connects to the ODBC connection string given on the command line, lists the tables and their
// columns, then in one transaction creates a scratch table and rolls it back again: the table is
// listed inside the transaction and gone after it.
//
//   connect_list_tables "Driver={SQLite3};Database=/tmp/shop.db;"
#include <vantrel/vantrel.h>

#include <iostream>

using namespace vantrel;

namespace {

// A statement without a result set, on a query of its own.
void exec(TODBCDatabase& db, const char* sql) {
    TODBCQuery query(nullptr);
    query.SetODBCDatabase(&db);
    query.SetSQLText(sql);
    query.ExecSQL();
}

bool listed(TODBCDatabase& db, const String& table) {
    TStringList tables;
    db.GetTables(&tables, nullptr, nullptr, nullptr);
    return tables.IndexOf(table) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CONNECTION-STRING\n";
        return 2;
    }
    try {
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
            exec(db, "CREATE TABLE vantrel_example_scratch (id INTEGER)");
            exec(db, "INSERT INTO vantrel_example_scratch (id) VALUES (1)");
            std::cout << "in transaction: scratch table " << (listed(db, "vantrel_example_scratch") ? "listed" : "missing")
                      << "\n";
        }  // rolled back here
        std::cout << "after rollback: scratch table " << (listed(db, "vantrel_example_scratch") ? "still there" : "gone")
                  << "\n";
        db.Close();
        return 0;
    } catch (const EODBCError& e) {
        std::cerr << "ODBC error [" << e.SQLStates() << "] native " << e.NativeError() << ": " << e.Message() << "\n";
    } catch (const Exception& e) {
        std::cerr << e.Message() << "\n";
    }
    return 1;
}
