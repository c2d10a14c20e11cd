#pragma once
// What every example does around its subject: takes the connection string from the command line,
// connects, and reports the library's errors, so each program shows only its own part.
#include <vantrel/vantrel.h>

#include <functional>
#include <iostream>
#include <vector>

namespace example {

/// Runs `body`; its result, or 1 after printing an error of the library.
inline int guarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const vantrel::EODBCError& e) {
        std::cerr << "ODBC error [" << e.SQLStates() << "]: " << e.Message() << "\n";
    } catch (const vantrel::Exception& e) {
        std::cerr << e.Message() << "\n";
    }
    vantrel::DataBase = nullptr; // the tools' connection may have gone with the error
    vantrel::MultiDataBases = nullptr;
    return 1;
}

/// False (after printing the usage) unless a connection string was given.
inline bool usage(int argc, char** argv, const char* more = "") {
    if (argc >= 2)
        return true;
    std::cerr << "usage: " << argv[0] << " CONNECTION-STRING" << more << "\n";
    return false;
}

/// Runs `body` on a connection to the data source of argv[1]: 2 for a bad command line, 1 after
/// an error, else what `body` returns.
inline int run(int argc, char** argv, const std::function<int(vantrel::TODBCDatabase&)>& body,
               const char* moreUsage = "") {
    if (!usage(argc, argv, moreUsage))
        return 2;
    return guarded([&] {
        vantrel::TODBCDatabase db(nullptr);
        db.SetConnectStr(argv[1]);
        db.Open();
        return body(db);
    });
}

/// Runs a statement without a result set on a query of its own, parameter i set to values[i].
inline void exec(vantrel::TODBCDatabase& db, const vantrel::String& sql, const std::vector<vantrel::Variant>& values = {}) {
    vantrel::TODBCQuery query(nullptr);
    query.SetODBCDatabase(&db);
    query.SetSQLText(sql);
    for (size_t i = 0; i < values.size(); ++i)
        query.Params()->Items(static_cast<int>(i))->SetAsVariant(values[i]);
    query.ExecSQL();
}

} // namespace example
