#include "PeriodTotals.h"

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

// "With Invoices As (...)": one row per selected invoice with Inv, Dated, Taxable, Parts (in
// millionths) and, unless `partsOnly`, Labor (millionths) and Rate (rateOf, millionths).
// Materialized, so that each invoice's sums are worked out once however often the statement after
// it names them. Values are appended in the order of the text.
QString selectedInvoices(const InvoiceSelection& s, QVariantList& values, bool partsOnly = false)
{
    // The line sums are kept per invoice in InvoiceSums.
    QString sql = "With Invoices As Materialized (Select O.InvoiceNo_Inv As Inv, O.InvoiceDate_Inv As Dated,"
                  " O.Tax_Inv As Taxable, " +
                  millionths(QStringLiteral("Coalesce(S.Parts_Sums, 0)")) + " As Parts";
    if (!partsOnly)
        sql += ", " + millionths(QStringLiteral("Coalesce(S.Labor_Sums, 0)")) + " As Labor, " + joinedRate() + " As Rate";
    sql += " From Invoice O Left Join InvoiceSums S On S.InvoiceNo_Sums = O.InvoiceNo_Inv";
    if (s.by == InvoiceSelection::By::LastPayment) {
        // A selected invoice's latest payment lies in the period, and InvoiceSums keeps that date:
        // the sums are then read by its index, not all 300,000 of them.
        sql += " And " + periodCondition(QStringLiteral("S.LastPay_Sums"));
        values << s.period.from << s.period.to.addDays(1);
    }
    if (!partsOnly)
        sql += records::monthlyRateJoin(QStringLiteral("R"), QStringLiteral("O.InvoiceDate_Inv"));
    sql += " where ";
    if (s.by == InvoiceSelection::By::InvoiceDate) {
        sql += periodCondition("O.InvoiceDate_Inv");
        values << s.period.from << s.period.to.addDays(1);
    } else {
        // Paid in the period: a payment inside it, and the last payment not after its end, asked
        // as "no payment after its end": PostgreSQL then reads the payments after the end once
        // (an anti join over the date index) instead of looking up each invoice's latest payment.
        sql += "O.InvoiceNo_Inv In (select R.InvoiceNo_Receivable From Receivable R where " +
               periodCondition("R.PayDate_Receivable") + ")";
        values << s.period.from << s.period.to.addDays(1);
        sql += " And Not Exists (select 1 From Receivable P"
               " where P.InvoiceNo_Receivable = O.InvoiceNo_Inv And P.PayDate_Receivable >= ?)";
        values << s.period.to.addDays(1);
    }
    if (s.customer) {
        sql += " And O.CustomerName_Inv = ?";
        values << *s.customer;
    }
    if (s.paid) {
        sql += " And O.Paid_Inv = ?";
        values << *s.paid;
    }
    return sql + ") ";
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

// The numbers from the least to the greatest TotalItem holds: PostgreSQL prices a look-up per
// invoice of a year above reading all 300,000 rows of sums, so they are read in that key range
// instead (a period's invoices lie close together by number).
QString withinWorkTableNumbers(const QString& column)
{
    return column + " Between (Select Min(T_Inv_Item) From TotalItem) And (Select Max(T_Inv_Item) From TotalItem)";
}

// "With Invoices As (...)" over the invoices of TotalItem, as selectedInvoices has them but for
// Labor: the parts sums are not worked out again.
QString workTableInvoices()
{
    return "With Invoices As Materialized (Select T.T_Inv_Item As Inv, O.InvoiceDate_Inv As Dated,"
           " O.Tax_Inv As Taxable, " + millionths(QStringLiteral("T.T_Amount_Item")) + " As Parts, " + joinedRate() +
           " As Rate From TotalItem T Join Invoice O On O.InvoiceNo_Inv = T.T_Inv_Item" +
           records::monthlyRateJoin(QStringLiteral("R"), QStringLiteral("O.InvoiceDate_Inv")) + ") ";
}

void emptyWorkTables(Query* q)
{
    for (const char* table : {"TotalLabor", "TotalItem", "TotalTax"}) {
        q->Clear();
        q->Add(QStringLiteral(" Delete from %1 ").arg(QLatin1String(table)));
        q->ExecSQL();
    }
}

// What of `invoices` (a "With Invoices" of selectedInvoices or workTableInvoices) found no rate,
// named in the order of their first invoice: a month as "3/2026", an undated one as "invoice 12".
QStringList withoutRate(const QString& invoices, QVariantList values)
{
    QString sql = invoices + "Select Min(Inv) As First_Inv, Dated From Invoices where ";
    sql += unrated(values);
    sql += " Group By Dated, Case When Dated Is Null Then Inv End Order By 1";
    Query* q = DM->Q3;
    q->setStatement(sql, values);
    q->Open();
    QStringList names;
    for (q->First(); !q->Eof(); q->Next()) {
        const QDate date = q->FieldByName(QStringLiteral("Dated")).AsDate();
        const QString name = date.isValid()
                                 ? QStringLiteral("%1/%2").arg(date.month()).arg(date.year())
                                 : QStringLiteral("invoice %1").arg(q->FieldByName(QStringLiteral("First_Inv")).AsInteger());
        if (!names.contains(name))
            names << name;
    }
    q->Close();
    return names;
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

void fillWorkTables(const InvoiceSelection& s)
{
    Query* q = DM->QPo1;
    Transaction work(DM->database());
    emptyWorkTables(q);
    // One statement per table. The invoices are selected once, into TotalItem with their parts;
    // labor and tax are then worked out for the invoices TotalItem holds. Amounts go in from
    // millionths, so each stored figure is the exact one.
    const auto run = [&](const QString& sql, const QVariantList& values) {
        q->setStatement(sql, values);
        q->ExecSQL();
    };
    QVariantList values;
    QString sql = " Insert Into TotalItem ( T_Inv_Item, T_Amount_Item) " + selectedInvoices(s, values, true) +
                  "Select Inv, Cast(Parts As Numeric) / 1000000.0 From Invoices Order By Inv";
    run(sql, values);
    run(" Insert Into TotalLabor ( T_Inv_Labor, T_Amount_labor) Select T.T_Inv_Item, Cast(" +
            millionths(QStringLiteral("Coalesce(S.Labor_Sums, 0)")) +
            " As Numeric) / 1000000.0 From TotalItem T Left Join InvoiceSums S On S.InvoiceNo_Sums = T.T_Inv_Item And " +
            withinWorkTableNumbers(QStringLiteral("S.InvoiceNo_Sums")) + " Order By T.T_Inv_Item",
        {});
    values.clear();
    sql = " Insert Into TotalTax ( T_Inv_Tax, T_Amount_Tax) " + workTableInvoices() + "Select Inv, Cast(";
    sql += taxOfRow(values);
    sql += " As Numeric) / 1000000.0 From Invoices Order By Inv";
    run(sql, values);
    work.commit();
}

QStringList workTablesWithoutRate()
{
    // Only an invoice with parts and no tax in the work tables can lack a rate, and whether it does
    // is asked of the Tax rows directly (records::monthlyRateJoin finds a rate exactly where one
    // covers the month): the rates of every month joined to a year's invoices took longer than
    // filling the work tables.
    const schema::Engine engine = schema::engineOf(DM->database());
    const QString year = schema::yearOfSql(engine, QStringLiteral("O.InvoiceDate_Inv"));
    const QString month = schema::monthOfSql(engine, QStringLiteral("O.InvoiceDate_Inv"));
    const QString invoices =
        "With Invoices As Materialized (Select T.T_Inv_Item As Inv, O.InvoiceDate_Inv As Dated, O.Tax_Inv As Taxable,"
        " 1 As Parts, Null As Rate From TotalItem T Join Invoice O On O.InvoiceNo_Inv = T.T_Inv_Item"
        " where T.T_Amount_Item <> 0 And T.T_Inv_Item In (Select X.T_Inv_Tax From TotalTax X where X.T_Amount_Tax = 0)"
        " And Not Exists (Select 1 From Tax C where C.Year_T = " + year + " And C.A_T <= " + month + " And C.E_T >= " +
        month + ")) ";
    return withoutRate(invoices, {});
}

void fillWorkTables(const std::vector<InvoiceFigures>& invoices)
{
    Query* q = DM->QPo1;
    Transaction work(DM->database());
    emptyWorkTables(q);
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

PeriodFigures workTableTotals()
{
    PeriodFigures f;
    f.labor = sumOf(DM->Q2, "select SUM(T_Amount_Labor) From  TotalLabor");
    f.parts = sumOf(DM->Q3, "select SUM(T_Amount_Item) From  TotalItem");
    f.tax = sumOf(DM->Q5, "select SUM(T_Amount_Tax) From  TotalTax");
    return f;
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
