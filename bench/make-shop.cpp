// make-shop: creates the tables on an empty database and fills them with a shop's twenty years.
#include "BulkLoader.h"
#include "Schema.h"
#include "ShopGenerator.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: make-shop --connect \"ODBC connection string\" [--seed N] [--scale F] [--until YYYY-MM-DD]\n"
                 "       [--open-percent N]\n"
                 "  Creates the schema on an empty database and fills it (scale 1.0: 300,000 invoices).\n"
                 "  --open-percent: share of invoices left with a balance (default 8; 80 for a shop where most\n"
                 "  invoices are open).\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    kestrum::shop::Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string v = argv[++i];
        try {
            if (a == "--connect") o.connect = v;
            else if (a == "--seed") o.seed = std::stoull(v);
            else if (a == "--scale") o.scale = std::stod(v);
            else if (a == "--open-percent") {
                o.openPercent = std::stoi(v);
                if (o.openPercent < 0 || o.openPercent > 100) return usage();
            }
            else if (a == "--until") {
                o.until = QDate::fromString(QString::fromStdString(v), Qt::ISODate);
                if (!o.until.isValid()) return usage();
            } else return usage();
        } catch (const std::exception&) {
            std::fprintf(stderr, "make-shop: bad value for %s: %s\n", a.c_str(), v.c_str());
            return 2;
        }
    }
    if (o.connect.empty()) return usage();
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    o.progress = [&](const std::string& text) { std::fprintf(stderr, "[%7.1f s] %s\n", elapsed(), text.c_str()); };
    try {
        const auto results = kestrum::shop::makeShop(o);
        std::printf("%-14s %12s %10s\n", "Table", "Rows", "Seconds");
        std::int64_t rows = 0;
        for (const auto& [name, r] : results) {
            std::printf("%-14s %12lld %10.2f\n", name.c_str(), (long long)r.rows, r.seconds);
            rows += r.rows;
        }
        std::printf("%-14s %12lld %10.2f  (wall time, generation included)\n", "Total", (long long)rows, elapsed());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-shop: %s\n", e.what());
        return 1;
    }
}
