// A pool of three connections shared by four worker threads: each thread writes its own rows and
// reads its count back through pooled queries, which take the least busy connection and hold its
// lock for every step. The pool owns its connections; each query belongs to its thread.
//
//   pool_threads "Driver={SQLite3};Database=/tmp/shop.db;Timeout=5000;"
#include "ExampleMain.h"

#include <atomic>
#include <iostream>
#include <thread>
#include <vector>

using namespace vantrel;

int main(int argc, char** argv) {
    if (!example::usage(argc, argv))
        return 2;
    return example::guarded([&] {
        TMultiDataBases pool;
        pool.ConnectStr = argv[1];
        pool.ConnectStyle = csDriverConnect;
        pool.MaxCount = 3; // grows up to three connections as queries need them
        pool.InitCount = 1;
        pool.Open();
        MultiDataBases = &pool; // where CreateMQuery and the ...MQuery functions draw from

        ExecuteMQuery("DROP TABLE IF EXISTS example_job");
        ExecuteMQuery("CREATE TABLE example_job (worker INTEGER, n INTEGER, PRIMARY KEY (worker, n))");

        constexpr int workers = 4, jobs = 25;
        std::atomic<int> failures{0};
        std::vector<int> counted(workers, 0);
        std::vector<std::thread> threads;
        for (int w = 0; w < workers; ++w) {
            threads.emplace_back([w, &failures, &counted] {
                try {
                    for (int n = 0; n < jobs; ++n)
                        ExecMQueryLong("INSERT INTO example_job (worker, n) VALUES (:worker, :n)", {w, n});
                    auto q = OpenMQueryLong("SELECT COUNT(*) FROM example_job WHERE worker = :worker", {w});
                    counted[static_cast<size_t>(w)] = (*q->Fields())[0]->AsInteger();
                } catch (const Exception& e) {
                    std::cerr << "worker " << w << ": " << e.Message() << "\n";
                    ++failures;
                }
            });
        }
        for (auto& t : threads)
            t.join();

        bool ok = failures == 0;
        for (int w = 0; w < workers; ++w) {
            std::cout << "worker " << w << ": " << counted[static_cast<size_t>(w)] << " row(s)\n";
            ok = ok && counted[static_cast<size_t>(w)] == jobs;
        }
        std::cout << "pool used " << pool.Count() << " connection(s)\n";
        MultiDataBases = nullptr;
        pool.Close();
        return ok ? 0 : 1;
    });
}
