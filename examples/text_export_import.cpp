// Exports a query's rows to the library's text format and imports the file into a second table,
// first inserting every line, then again updating the rows that exist already.
//
//   text_export_import "Driver={SQLite3};Database=/tmp/shop.db;" [FILE]
// FILE defaults to example_customers.txt in the system's temporary folder.
#include "ExampleMain.h"

#include <filesystem>
#include <fstream>
#include <iostream>

using namespace vantrel;

int main(int argc, char** argv) {
    const String file = argc == 3 ? String(argv[2])
                                  : (std::filesystem::temp_directory_path() / "example_customers.txt").string();
    return example::run(argc, argv, [&](TODBCDatabase& db) {
        DataBase = &db; // the tools' functions run on this connection

        for (const char* table : {"example_customer", "example_customer_copy"}) {
            ExecuteQuery(String("DROP TABLE IF EXISTS ") + table);
            ExecuteQuery(String("CREATE TABLE ") + table + " (id INTEGER PRIMARY KEY, name VARCHAR(40), balance DOUBLE PRECISION, note VARCHAR(80))");
        }
        const std::vector<std::vector<Variant>> rows = {
            {1, "Ann's Garage", 120.5, "pays, late"}, {2, "Bob \\ Sons", 0.0, Variant::Null()},
            {3, "Carla", -15.25, "line one\nline two"}};
        for (const auto& row : rows)
            ExecQueryLong("INSERT INTO example_customer (id, name, balance, note) VALUES (:id, :name, :balance, :note)", row);

        auto source = OpenQuery("SELECT id, name, balance, note FROM example_customer ORDER BY id");
        ExportDataSet(*source, file);
        std::ifstream in(file);
        for (String line; std::getline(in, line);)
            std::cout << "| " << line << "\n";

        ImportDataSet(file, "example_customer_copy", "", itIgnoreExists);
        ExecuteQuery("UPDATE example_customer_copy SET balance = 0");
        // Lines whose id exists already replace their row.
        ImportDataSet(file, "example_customer_copy", "where id = :id", itUpdateExists);

        auto differ = OpenQuery("SELECT COUNT(*) FROM example_customer a JOIN example_customer_copy b ON a.id = b.id "
                                "WHERE a.name = b.name AND a.balance = b.balance "
                                "AND (a.note = b.note OR (a.note IS NULL AND b.note IS NULL))");
        const int same = (*differ->Fields())[0]->AsInteger();
        std::cout << same << " of " << rows.size() << " rows imported unchanged\n";
        std::filesystem::remove(file);
        DataBase = nullptr;
        return same == static_cast<int>(rows.size()) ? 0 : 1;
    }, " [FILE]");
}
