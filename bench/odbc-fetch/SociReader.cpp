// odbc-fetch: SOCI's ODBC backend, bulk into vectors of the row-set size (its fast path).
#include "FetchBench.h"

#include <soci/odbc/soci-odbc.h>
#include <soci/soci.h>

#include <ctime>

namespace fetchbench {
namespace {

class SociReader : public Reader {
public:
    void connect(const Job& job) override {
        soci::connection_parameters params(*soci::factory_odbc(), job.connect);
        params.set_option(soci::odbc_option_driver_complete, "0");  // SQL_DRIVER_NOPROMPT
        sql_.open(params);
    }

    Checksum read(const Job& job) override {
        const std::size_t n = static_cast<std::size_t>(job.rowSet);
        std::vector<int> id(n), qty(n);
        std::vector<double> price(n);
        std::vector<std::string> name(n);
        std::vector<std::tm> made(n), stamp(n);
        std::vector<soci::indicator> idInd(n), qtyInd(n), priceInd(n), nameInd(n), madeInd(n), stampInd(n);
        soci::statement st = (sql_.prepare << job.sql, soci::into(id, idInd), soci::into(qty, qtyInd),
                              soci::into(price, priceInd), soci::into(name, nameInd), soci::into(made, madeInd),
                              soci::into(stamp, stampInd));
        st.execute();
        Checksum sum;
        while (st.fetch()) {
            for (std::size_t r = 0; r < id.size(); ++r) {
                idInd[r] == soci::i_null ? sum.null() : sum.integer(id[r]);
                qtyInd[r] == soci::i_null ? sum.null() : sum.integer(qty[r]);
                priceInd[r] == soci::i_null ? sum.null() : sum.cents(price[r]);
                nameInd[r] == soci::i_null ? sum.null() : sum.text(name[r]);
                if (madeInd[r] == soci::i_null)
                    sum.null();
                else
                    sum.date(made[r].tm_year + 1900, made[r].tm_mon + 1, made[r].tm_mday);
                if (stampInd[r] == soci::i_null) {
                    sum.null();
                } else {
                    const std::tm& t = stamp[r];
                    sum.timestamp(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
                }
                sum.endRow();
            }
            // A short last block shrinks the vectors; the next fetch asks for full blocks again.
            for (auto* v : {&idInd, &qtyInd, &priceInd, &nameInd, &madeInd, &stampInd}) v->resize(n);
            id.resize(n);
            qty.resize(n);
            price.resize(n);
            name.resize(n);
            made.resize(n);
            stamp.resize(n);
        }
        return sum;
    }

private:
    soci::session sql_;
};

}  // namespace

std::unique_ptr<Reader> makeSociReader() { return std::make_unique<SociReader>(); }

}  // namespace fetchbench
