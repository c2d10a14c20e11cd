// odbc-fetch: POCO Data's ODBC connector, into vectors with a limit of the row-set size per
// execution. (Its bulk extraction cannot take text columns and leaves a short last block at the
// full size.)
#include "FetchBench.h"

#include <Poco/Data/Limit.h>
#include <Poco/Data/Date.h>
#include <Poco/Data/ODBC/Connector.h>
#include <Poco/Data/Session.h>
#include <Poco/Data/Statement.h>
#include <Poco/DateTime.h>
#include <Poco/Exception.h>

namespace fetchbench {
namespace {

using namespace Poco::Data::Keywords;

class PocoReader : public Reader {
public:
    void connect(const Job& job) override {
        try {
            Poco::Data::ODBC::Connector::registerConnector();
            session_ = std::make_unique<Poco::Data::Session>("ODBC", job.connect);
        } catch (const Poco::Exception& e) {
            throw BenchError(e.displayText());
        }
    }

    Checksum read(const Job& job) override {
        try {
            return readAll(job);
        } catch (const Poco::Exception& e) {
            throw BenchError(e.displayText());
        }
    }

private:
    Checksum readAll(const Job& job) {
        const auto n = static_cast<Poco::UInt32>(job.rowSet);
        std::vector<int> id, qty;
        std::vector<double> price;
        std::vector<std::string> name;
        std::vector<Poco::Data::Date> made;
        std::vector<Poco::DateTime> stamp;
        // Kept to ask each column which rows were null.
        Poco::Data::AbstractExtraction::Ptr ex[] = {into(id),   into(qty),  into(price),
                                                          into(name), into(made), into(stamp)};
        Poco::Data::Statement st(*session_);
        st << job.sql, ex[0], ex[1], ex[2], ex[3], ex[4], ex[5], limit(n);
        Checksum sum;
        while (!st.done()) {
            st.execute();
            for (std::size_t r = 0; r < id.size(); ++r) {
                ex[0]->isNull(r) ? sum.null() : sum.integer(id[r]);
                ex[1]->isNull(r) ? sum.null() : sum.integer(qty[r]);
                ex[2]->isNull(r) ? sum.null() : sum.cents(price[r]);
                ex[3]->isNull(r) ? sum.null() : sum.text(name[r]);
                if (ex[4]->isNull(r))
                    sum.null();
                else
                    sum.date(made[r].year(), static_cast<unsigned>(made[r].month()), static_cast<unsigned>(made[r].day()));
                if (ex[5]->isNull(r)) {
                    sum.null();
                } else {
                    const Poco::DateTime& t = stamp[r];
                    sum.timestamp(t.year(), static_cast<unsigned>(t.month()), static_cast<unsigned>(t.day()),
                                  static_cast<unsigned>(t.hour()), static_cast<unsigned>(t.minute()),
                                  static_cast<unsigned>(t.second()));
                }
                sum.endRow();
            }
            // Each execution appends; emptied, the vectors hold one block at a time.
            id.clear();
            qty.clear();
            price.clear();
            name.clear();
            made.clear();
            stamp.clear();
            for (auto& e : ex) e->reset();
        }
        return sum;
    }

    std::unique_ptr<Poco::Data::Session> session_;
};

}  // namespace

std::unique_ptr<Reader> makePocoReader() { return std::make_unique<PocoReader>(); }

}  // namespace fetchbench
