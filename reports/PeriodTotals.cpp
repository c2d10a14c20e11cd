#include "PeriodTotals.h"

#include "Concurrency.h"
#include "DataModule.h"
#include "Query.h"
#include "Schema.h"
#include "TTax.h"
#include "Transaction.h"

#include <algorithm>

namespace kestrum::reports {

namespace {

Decimal sumOf(Query* q, const QString& sql)
{
    q->Clear();
    q->Add(sql);
    q->Open();
    return q->FieldByName(QStringLiteral("Expr1000")).AsCurrency();
}

// Money in millionths (Decimal::raw()) as a whole number: integer sums and products are exact on
// both engines, where SQLite's sums of real numbers are not, and SQLite's driver cannot type an
// expression column by a first row that happens to be whole.
QString millionths(const QString& amount)
{
    return "Cast(Round(" + amount + " * 1000000) As BigInt)";
}

// The rate in millionths of the month of the rate row joined as R (records::monthlyRateJoin), as
// findTaxRate finds it (a row without a rate counts 0), NULL when no row covers the month.
QString joinedRate()
{
    return "Case When R.Key_R Is Null Then Null Else " + millionths(QStringLiteral("Coalesce(R.Tax_R, 0)")) + " End";
}

// " From ... where ...": the selected invoices as O (the header) and S (the kept sums). Values are
// appended in the order of the text; `joined` goes between the tables and the condition.
QString selection(const InvoiceSelection& s, QVariantList& values, const QString& joined = {})
{
    QString sql;
    if (s.by == InvoiceSelection::By::LastPayment) {
        // Paid in the period: a payment inside it and none after its end, i.e. the latest payment
        // inside it, which InvoiceSums keeps with an index: a year's invoices are found there, not
        // by reading the payments of the period and of every day after it. An invoice without
        // lines and with no amount paid has no kept row; it adds nothing to any figure.
        sql = " From InvoiceSums S Join Invoice O On O.InvoiceNo_Inv = S.InvoiceNo_Sums" + joined + " where " +
              periodCondition(QStringLiteral("S.LastPay_Sums"));
    } else {
        sql = " From Invoice O Left Join InvoiceSums S On S.InvoiceNo_Sums = O.InvoiceNo_Inv" + joined + " where " +
              periodCondition(QStringLiteral("O.InvoiceDate_Inv"));
    }
    values << s.period.from << s.period.to.addDays(1);
    if (s.customer) {
        sql += " And O.CustomerName_Inv = ?";
        values << *s.customer;
    }
    if (s.paid) {
        sql += " And O.Paid_Inv = ?";
        values << *s.paid;
    }
    return sql;
}

// "With Invoices As (...)": one row per selected invoice with Inv, Month_Key (records::monthKey of
// its date), Taxable, Parts, Labor (in millionths) and Rate (rateOf, millionths). Materialized, so that each invoice's sums are
// worked out once however often the statement after it names them.
QString selectedInvoices(const InvoiceSelection& s, QVariantList& values)
{
    // The line sums are kept per invoice in InvoiceSums.
    return "With Invoices As Materialized (Select O.InvoiceNo_Inv As Inv, " +
           records::monthKey(QStringLiteral("O.InvoiceDate_Inv")) + " As Month_Key, O.Tax_Inv As Taxable, " +
           millionths(QStringLiteral("Coalesce(S.Parts_Sums, 0)")) + " As Parts, " +
           millionths(QStringLiteral("Coalesce(S.Labor_Sums, 0)")) + " As Labor, " + joinedRate() + " As Rate" +
           selection(s, values, records::monthlyRateJoin(QStringLiteral("R"), QStringLiteral("O.InvoiceDate_Inv"))) +
           ") ";
}

// The parts tax of a row of selectedInvoices in millionths: parts times its month's rate rounded to
// six decimals, halves away from zero, as Decimal multiplies (the invoice window's figure).
QString taxOfRow(QVariantList& values)
{
    values << true;
    return QStringLiteral("Case When Taxable = ? And Rate Is Not Null Then"
                          " (Parts * Rate + Case When Parts * Rate < 0 Then -500000 Else 500000 End) / 1000000"
                          " Else 0 End");
}

// "Where Taxable = ? And ..." : the taxable invoices with parts that found no rate.
QString unrated(QVariantList& values)
{
    values << true;
    return QStringLiteral("Taxable = ? And Parts <> 0 And Rate Is Null");
}

// The three tables a run fills, in the order they are emptied.
QStringList workTables()
{
    return {QStringLiteral("TotalLabor"), QStringLiteral("TotalItem"), QStringLiteral("TotalTax")};
}

// What of `invoices` (a "With Invoices" as selectedInvoices has it) found no rate,
// named in the order of their first invoice: a month as "3/2026", an undated one as "invoice 12".
QStringList withoutRate(const QString& invoices, QVariantList values)
{
    QString sql = invoices + "Select Min(Inv) As First_Inv, Month_Key From Invoices where ";
    sql += unrated(values);
    sql += " Group By Month_Key, Case When Month_Key Is Null Then Inv End Order By 1";
    Query* q = DM->Q3;
    q->setStatement(sql, values);
    q->Open();
    QStringList names;
    for (q->First(); !q->Eof(); q->Next()) {
        const Field& month = q->FieldByName(QStringLiteral("Month_Key"));
        names << (month.IsNull() ? QStringLiteral("invoice %1").arg(q->FieldByName(QStringLiteral("First_Inv")).AsInteger())
                                 : QStringLiteral("%1/%2").arg(month.AsInteger() % 100).arg(month.AsInteger() / 100));
    }
    q->Close();
    return names;
}

// The sums of the work tables (`orders` left 0).
PeriodFigures workTableTotals()
{
    PeriodFigures f;
    f.labor = sumOf(DM->Q2, "select SUM(T_Amount_Labor) From  TotalLabor");
    f.parts = sumOf(DM->Q3, "select SUM(T_Amount_Item) From  TotalItem");
    f.tax = sumOf(DM->Q5, "select SUM(T_Amount_Tax) From  TotalTax");
    return f;
}

}  // namespace

InvoiceRun invoiceFigures(const InvoiceSelection& s)
{
    // The sums and the count of unrated invoices in one pass over the invoices.
    QVariantList values;
    QString sql = selectedInvoices(s, values);
    sql += "Select Count(*) As Invoices, Cast(Coalesce(Sum(Parts), 0) As BigInt) As Parts_Sum,"
           " Cast(Coalesce(Sum(Labor), 0) As BigInt) As Labor_Sum, Cast(Coalesce(Sum(";
    sql += taxOfRow(values);
    sql += "), 0) As BigInt) As Tax_Sum, Sum(Case When ";
    sql += unrated(values);
    sql += " Then 1 Else 0 End) As Unrated From Invoices";
    Query* q = DM->Q2;
    q->setStatement(sql, values);
    q->Open();
    InvoiceRun run;
    run.count = int(q->FieldByName(QStringLiteral("Invoices")).AsInteger());
    run.totals.parts = Decimal::fromRaw(q->FieldByName(QStringLiteral("Parts_Sum")).AsInteger());
    run.totals.labor = Decimal::fromRaw(q->FieldByName(QStringLiteral("Labor_Sum")).AsInteger());
    run.totals.tax = Decimal::fromRaw(q->FieldByName(QStringLiteral("Tax_Sum")).AsInteger());
    const bool unratedAny = q->FieldByName(QStringLiteral("Unrated")).AsInteger() != 0;
    q->Close();
    if (unratedAny) {
        QVariantList again;
        const QString invoices = selectedInvoices(s, again);
        run.withoutRate = withoutRate(invoices, again);
    }
    return run;
}

Decimal orderTotal(const Period& period)
{
    Query* q = DM->Q4;
    q->Clear();
    if (schema::engineOf(DM->database()) == schema::Engine::PostgreSQL) {
        // Each order's lines by the order index: joined, PostgreSQL read all 180,000 lines. Its
        // decimal sums are exact in any order; SQLite's sums of reals are not, so it keeps the join.
        q->Add("select SUM((Select Sum(I.Amount_Item) From Items I where I.Po_Item = O.Po_Order)) From Orders O where " +
               periodCondition("O.OrderDate_Order"));
        bindPeriod(q, period);
    } else {
        q->Add("select SUM(Amount_Item) From  Items I, Orders O  where " + periodCondition("O.OrderDate_Order"));
        bindPeriod(q, period);
        q->Add(" And O.Po_Order= I.Po_Item ");
    }
    q->Open();
    return q->FieldByName(QStringLiteral("Expr1000")).AsCurrency();
}

WorkTableRun fillWorkTables(const InvoiceSelection& s)
{
    Query* q = DM->QPo1;
    const bool pg = schema::engineOf(DM->database()) == schema::Engine::PostgreSQL;
    Transaction work(DM->database());
    emptyWorkTables(q, workTables());
    const auto run = [&](const QString& sql, const QVariantList& values) {
        q->setStatement(sql, values);
        q->ExecSQL();
    };
    // The selected invoices are read once, into a table of this session that lives as long as the
    // transaction (PostgreSQL reads them with parallel workers there, which it never does for an
    // insert); each work table is then filled from it. Amounts are kept in millionths and go in
    // from them, so each stored figure is the exact one.
    QVariantList values;
    const QString month = records::monthKey(QStringLiteral("O.InvoiceDate_Inv"));
    if (!pg)
        run(QStringLiteral("Drop Table If Exists temp.TotalRun"), {});
    run(QStringLiteral("Create Temp Table TotalRun%1 As Select O.InvoiceNo_Inv As Inv, ")
                .arg(pg ? QStringLiteral(" On Commit Drop") : QString()) +
            month + " As Month_Key, O.Tax_Inv As Taxable, " + millionths(QStringLiteral("Coalesce(S.Parts_Sums, 0)")) +
            " As Parts, " + millionths(QStringLiteral("Coalesce(S.Labor_Sums, 0)")) + " As Labor" + selection(s, values),
        values);
    run(QStringLiteral(" Insert Into TotalItem ( T_Inv_Item, T_Amount_Item) Select Inv, Cast(Parts As Numeric) / 1000000.0"
                       " From TotalRun Order By Inv"),
        {});
    run(QStringLiteral(" Insert Into TotalLabor ( T_Inv_Labor, T_Amount_labor) Select Inv, Cast(Labor As Numeric) / 1000000.0"
                       " From TotalRun Order By Inv"),
        {});
    // The rate is joined on the kept month, not on the date taken apart again for every invoice.
    const QString rated = "With Invoices As Materialized (Select Inv, Month_Key, Taxable, Parts, " + joinedRate() +
                          " As Rate From TotalRun" +
                          records::monthlyRateJoinOnKey(QStringLiteral("R"), QStringLiteral("Month_Key")) + ") ";
    values.clear();
    QString sql = " Insert Into TotalTax ( T_Inv_Tax, T_Amount_Tax) " + rated + "Select Inv, Cast(";
    sql += taxOfRow(values);
    sql += " As Numeric) / 1000000.0 From Invoices Order By Inv";
    run(sql, values);
    WorkTableRun result;
    result.withoutRate = withoutRate(rated, {});
    if (!pg)
        run(QStringLiteral("Drop Table temp.TotalRun"), {});
    // Summed before the run ends: after it, another workstation's run may have replaced the rows.
    result.totals = workTableTotals();
    work.commit();
    return result;
}

void fillWorkTables(const std::vector<InvoiceFigures>& invoices)
{
    Query* q = DM->QPo1;
    Transaction work(DM->database());
    emptyWorkTables(q, workTables());
    // Many rows per statement: a year's invoices one statement each took seconds of round trips.
    constexpr std::size_t batch = 200;
    const auto insert = [&](const char* head, Decimal InvoiceFigures::*amount) {
        for (std::size_t first = 0; first < invoices.size(); first += batch) {
            const std::size_t n = std::min(batch, invoices.size() - first);
            q->Clear();
            q->Add(QLatin1String(head));
            q->Add(QStringList(qsizetype(n), QStringLiteral("( ?, ?)")).join(u','));
            for (std::size_t i = first; i < first + n; ++i) {
                q->Bind(invoices[i].invoice);
                q->Bind(QVariant::fromValue(invoices[i].*amount));
            }
            q->ExecSQL();
        }
    };
    insert(" Insert Into TotalLabor ( T_Inv_Labor, T_Amount_labor) Values ", &InvoiceFigures::labor);
    insert(" Insert Into TotalItem ( T_Inv_Item, T_Amount_Item) Values ", &InvoiceFigures::parts);
    insert(" Insert Into TotalTax ( T_Inv_Tax, T_Amount_Tax) Values ", &InvoiceFigures::tax);
    work.commit();
}

QString missingRateNote(const QStringList& withoutRate)
{
    if (withoutRate.isEmpty())
        return {};
    return QStringLiteral("No tax rate is set for %1: the parts tax there counts as 0. "
                          "Enter the rate in the Tax window and print again.")
        .arg(withoutRate.join(QStringLiteral(", ")));
}

}  // namespace kestrum::reports
