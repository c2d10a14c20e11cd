#include "PeriodTotals.h"

#include "DataModule.h"
#include "Query.h"
#include "TTax.h"
#include "Transaction.h"

#include <QHash>

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

}  // namespace

InvoiceRun invoiceFigures(const InvoiceSelection& s)
{
    Query* q = DM->Q2;
    q->Clear();
    // NOTE: SQLite's ODBC driver types an expression column by its first row's value, so a first
    // sum of 80 would read 120.5 as 120 further down; "+ 0.0" keeps every row a real number there
    // (PostgreSQL keeps numeric).
    q->Add("select O.InvoiceNo_Inv, O.InvoiceDate_Inv, O.Tax_Inv,");
    q->Add(" Coalesce((select SUM(I.Amount_Item) From InvItem I where I.Inv_Item = O.InvoiceNo_Inv), 0) + 0.0"
           " As Parts_Sum,");
    q->Add(" Coalesce((select SUM(L.Amount_Labor) From InvLabor L where L.Inv_Labor = O.InvoiceNo_Inv), 0) + 0.0"
           " As Labor_Sum");
    q->Add(" From Invoice O where ");
    if (s.by == InvoiceSelection::By::InvoiceDate) {
        q->Add(periodCondition("O.InvoiceDate_Inv"));
        bindPeriod(q, s.period);
    } else {
        // Paid in the period: a payment inside it, and the last payment not after its end.
        q->Add("O.InvoiceNo_Inv In (select R.InvoiceNo_Receivable From Receivable R where " +
               periodCondition("R.PayDate_Receivable") + ")");
        bindPeriod(q, s.period);
        q->Add(" And (select Max(P.PayDate_Receivable) From Receivable P"
               " where P.InvoiceNo_Receivable = O.InvoiceNo_Inv) < ?");
        q->Bind(s.period.to.addDays(1));
    }
    addChosen(q, " And O.CustomerName_Inv =", s.customer);
    if (s.paid) {
        q->Add(" And O.Paid_Inv = ?");
        q->Bind(*s.paid);
    }
    q->Add(" Order By O.InvoiceNo_Inv");
    q->Open();

    InvoiceRun run;
    const int rows = q->RecordCount();
    run.invoices.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        InvoiceFigures f;
        f.invoice = q->fieldAt(row, 0).AsInteger();
        f.date = q->fieldAt(row, 1).AsDate();
        f.taxable = q->fieldAt(row, 2).AsBoolean();
        f.parts = q->fieldAt(row, 3).AsCurrency();
        f.labor = q->fieldAt(row, 4).AsCurrency();
        run.invoices.push_back(f);
    }

    // The parts tax of each invoice at the rate of its own month, as the invoice window has it.
    QHash<int, std::optional<Decimal>> rates;
    for (InvoiceFigures& f : run.invoices) {
        if (f.taxable && !f.parts.isZero()) {
            if (!f.date.isValid()) {
                run.withoutRate << QStringLiteral("invoice %1").arg(f.invoice);
            } else {
                const int month = f.date.year() * 100 + f.date.month();
                if (!rates.contains(month))
                    rates.insert(month, records::findTaxRate(f.date));
                const std::optional<Decimal> rate = rates.value(month);
                if (rate) {
                    f.tax = f.parts * *rate;
                } else {
                    const QString name = QStringLiteral("%1/%2").arg(f.date.month()).arg(f.date.year());
                    if (!run.withoutRate.contains(name))
                        run.withoutRate << name;
                }
            }
        }
        run.totals.parts += f.parts;
        run.totals.labor += f.labor;
        run.totals.tax += f.tax;
    }
    return run;
}

Decimal orderTotal(const Period& period)
{
    Query* q = DM->Q4;
    q->Clear();
    q->Add("select SUM(Amount_Item) From  Items I, Orders O  where " + periodCondition("O.OrderDate_Order"));
    bindPeriod(q, period);
    q->Add(" And O.Po_Order= I.Po_Item ");
    q->Open();
    return q->FieldByName(QStringLiteral("Expr1000")).AsCurrency();
}

void fillWorkTables(const std::vector<InvoiceFigures>& invoices)
{
    Query* q = DM->QPo1;
    Transaction work(DM->database());
    for (const char* table : {"TotalLabor", "TotalItem", "TotalTax"}) {
        q->Clear();
        q->Add(QStringLiteral(" Delete from %1 ").arg(QLatin1String(table)));
        q->ExecSQL();
    }
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
