// odbc-pool: statements per second of threads sharing a Vantrel connection pool, against one
// connection per thread. Each thread alternates an insert of its own row and a count of its rows,
// each on a new prepared query, as the pooled one-call functions do.
//
//   odbc-pool [--connect "Driver=...;..."] [--threads 8] [--statements 1000] [--pool 4]
//
// Without --connect the connection string comes from TEST_PG_ODBC.
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/MultiDB.h>
#include <vantrel/ext/ODBCTools.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace vantrel;

namespace {

struct Options {
    std::string connect;
    int threads = 8;
    int statements = 1000;
    int pool = 4;
};

// One statement pair step of thread `t`; `exec` and `open` are the pooled or the own-connection
// functions.
template <class Exec, class Open> bool step(int t, int n, int& inserted, Exec&& exec, Open&& open) {
    if (n % 2 == 0) {
        ++inserted;
        return exec("insert into poolbench (t, i) values (:t, :i)",
                    std::vector<Variant>{Variant(t), Variant(n)}) == 1;
    }
    auto q = open("select count(*) from poolbench where t = :t", std::vector<Variant>{Variant(t)});
    return q->Fields()->Fields(0)->AsInteger() == inserted;
}

double run(const Options& o, bool pooled, int& failures) {
    ExecuteQuery("delete from poolbench");
    std::vector<std::thread> workers;
    std::vector<int> failed(static_cast<size_t>(o.threads), 0);
    auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < o.threads; ++t)
        workers.emplace_back([&, t] {
            int inserted = 0;
            try {
                if (pooled) {
                    auto exec = [](const String& sql, const std::vector<Variant>& v) {
                        return ExecMQueryLong(sql, v);
                    };
                    auto open = [](const String& sql, const std::vector<Variant>& v) {
                        return OpenMQueryLong(sql, v);
                    };
                    for (int n = 0; n < o.statements; ++n)
                        if (!step(t, n, inserted, exec, open))
                            ++failed[static_cast<size_t>(t)];
                    return;
                }
                TODBCDatabase own(nullptr);
                own.SetConnectStr(o.connect);
                own.SetConnected(true);
                auto ownQuery = [&](const String& sql, const std::vector<Variant>& values) {
                    auto q = std::make_unique<TODBCQuery>(nullptr);
                    q->SetODBCDatabase(&own);
                    q->SQL()->Add(sql);
                    q->Prepare();
                    for (int i = 0; i < q->Params()->Count(); ++i)
                        q->Params()->Items(i)->SetAsVariant(values[static_cast<size_t>(i)]);
                    return q;
                };
                auto exec = [&](const String& sql, const std::vector<Variant>& values) {
                    auto q = ownQuery(sql, values);
                    q->ExecSQL();
                    return q->GetRowsAffected();
                };
                auto open = [&](const String& sql, const std::vector<Variant>& values) {
                    auto q = ownQuery(sql, values);
                    q->Open();
                    return q;
                };
                for (int n = 0; n < o.statements; ++n)
                    if (!step(t, n, inserted, exec, open))
                        ++failed[static_cast<size_t>(t)];
            } catch (const std::exception& e) {
                std::fprintf(stderr, "thread %d: %s\n", t, e.what());
                ++failed[static_cast<size_t>(t)];
            }
        });
    for (auto& w : workers)
        w.join();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int f : failed)
        failures += f;
    return o.threads * o.statements / seconds;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (const char* env = std::getenv("TEST_PG_ODBC"))
        o.connect = env;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--connect")
            o.connect = argv[i + 1];
        else if (a == "--threads")
            o.threads = std::atoi(argv[i + 1]);
        else if (a == "--statements")
            o.statements = std::atoi(argv[i + 1]);
        else if (a == "--pool")
            o.pool = std::atoi(argv[i + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (o.connect.empty()) {
        std::fprintf(stderr, "odbc-pool: give --connect or set TEST_PG_ODBC\n");
        return 2;
    }
    try {
        TODBCDatabase main(nullptr);
        main.SetConnectStr(o.connect);
        main.SetConnected(true);
        DataBase = &main;
        try {
            ExecuteQuery("drop table poolbench");
        } catch (const std::exception&) {
        }
        ExecuteQuery("create table poolbench (t integer, i integer, primary key (t, i))");

        TMultiDataBases pool;
        pool.ConnectStr = o.connect;
        pool.ConnectStyle = csDriverConnect;
        pool.MaxCount = o.pool;
        pool.InitCount = o.pool;
        pool.Open();
        MultiDataBases = &pool;

        int failures = 0;
        double pooled = run(o, true, failures);
        double own = run(o, false, failures);
        std::printf("threads %d, statements per thread %d\n", o.threads, o.statements);
        std::printf("pool of %d connections:     %8.0f statements/s\n", o.pool, pooled);
        std::printf("one connection per thread: %8.0f statements/s\n", own);
        std::printf("wrong results: %d\n", failures);
        MultiDataBases = nullptr;
        ExecuteQuery("drop table poolbench");
        DataBase = nullptr;
        return failures == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc-pool: %s\n", e.what());
        return 1;
    }
}
