// odbc-fetch: Vantrel's query as its programmers use it, forward-only with a block cursor and
// scrollable: fields looked up once after Open, values read with the As... accessors (text as a
// view, which allocates nothing per row).
#include "FetchBench.h"

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/framework/SysUtils.h>

namespace fetchbench {
namespace {

class VantrelReader : public Reader {
public:
    explicit VantrelReader(bool block) : block_(block) {}
    ~VantrelReader() override {
        query_.reset();  // before its database
        db_.reset();
    }

    void connect(const Job& job) override {
        db_ = std::make_unique<vantrel::TODBCDatabase>();
        db_->SetConnectStr(job.connect);
        db_->SetConnected(true);
        query_ = std::make_unique<vantrel::TODBCQuery>();
        query_->SetODBCDatabase(db_.get());
    }

    Checksum read(const Job& job) override {
        vantrel::TODBCQuery& q = *query_;
        q.Close();
        q.SetUniDirectional(block_);
        q.SetBlockCursor(block_);
        if (block_) q.SetRowSetSize(job.rowSet);
        q.SetSQLText(job.sql);
        q.Open();
        vantrel::TField* f[6];
        for (int i = 0; i < 6; ++i) f[i] = q.Fields()->Fields(i);
        Checksum sum;
        while (!q.Eof()) {
            f[0]->IsNull() ? sum.null() : sum.integer(f[0]->AsInteger());
            f[1]->IsNull() ? sum.null() : sum.integer(f[1]->AsInteger());
            f[2]->IsNull() ? sum.null() : sum.cents(f[2]->AsFloat());
            // The view of the field's own buffer: no String per row.
            f[3]->IsNull() ? sum.null() : sum.text(f[3]->AsStringView());
            if (f[4]->IsNull()) {
                sum.null();
            } else {
                int y, m, d;
                vantrel::DecodeDate(f[4]->AsDateTime(), y, m, d);
                sum.date(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
            }
            if (f[5]->IsNull()) {
                sum.null();
            } else {
                int y, mo, d, h, mi, s, ms;
                vantrel::DecodeDateTime(f[5]->AsDateTime(), y, mo, d, h, mi, s, ms);
                // Whole seconds in the table; a time stamp held as a fraction of a day may come
                // back a millisecond short.
                sum.integer(daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 +
                            mi * 60 + s + (ms >= 500 ? 1 : 0));
            }
            sum.endRow();
            q.Next();
        }
        q.Close();
        return sum;
    }

private:
    bool block_;
    std::unique_ptr<vantrel::TODBCDatabase> db_;
    std::unique_ptr<vantrel::TODBCQuery> query_;
};

}  // namespace

std::unique_ptr<Reader> makeVantrelBlockReader() { return std::make_unique<VantrelReader>(true); }
std::unique_ptr<Reader> makeVantrelScrollReader() { return std::make_unique<VantrelReader>(false); }

}  // namespace fetchbench
