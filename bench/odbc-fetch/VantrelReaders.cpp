// odbc-fetch: Vantrel's query as its programmers use it, forward-only with a block cursor and
// scrollable: fields looked up once after Open, values read with the As... accessors (text as a
// view, which allocates nothing per row), dates and time stamps as their parts.
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
        auto* made = static_cast<vantrel::TDateTimeField*>(f[4]);
        auto* stamp = static_cast<vantrel::TDateTimeField*>(f[5]);
        vantrel::TDateTimeParts p;
        Checksum sum;
        while (!q.Eof()) {
            f[0]->IsNull() ? sum.null() : sum.integer(f[0]->AsInteger());
            f[1]->IsNull() ? sum.null() : sum.integer(f[1]->AsInteger());
            f[2]->IsNull() ? sum.null() : sum.cents(f[2]->AsFloat());
            // The view of the field's own buffer: no String per row.
            f[3]->IsNull() ? sum.null() : sum.text(f[3]->AsStringView());
            // Dates as their parts: no TDateTime made and decoded per value.
            if (made->GetParts(p))
                sum.date(p.Year, static_cast<unsigned>(p.Month), static_cast<unsigned>(p.Day));
            else
                sum.null();
            if (stamp->GetParts(p))
                // Whole seconds in the table; parts decoded from a value held as a fraction of a
                // day may come back a millisecond short.
                sum.integer(daysFromCivil(p.Year, static_cast<unsigned>(p.Month), static_cast<unsigned>(p.Day)) *
                                86400 +
                            p.Hour * 3600 + p.Minute * 60 + p.Second + (p.MSec >= 500 ? 1 : 0));
            else
                sum.null();
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
