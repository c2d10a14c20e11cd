#include "EstimateConversion.h"

#include "Archive.h"
#include "DataModule.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "Query.h"
#include "TEstimate.h"
#include "Transaction.h"

#include <QDate>
#include <QStringList>

#include <vector>

namespace kestrum::invoicing {

namespace {

using Row = QList<std::pair<QString, QVariant>>;

// Every row of a select, as (column, value) pairs in the table's order.
std::vector<Row> readRows(kestrum::Query& q, const QString& sql, qint64 number)
{
    q.setStatement(sql, {number});
    q.Open();
    std::vector<Row> rows;
    const QStringList names = q.FieldNames();
    for (q.First(); !q.Eof(); q.Next()) {
        Row row;
        for (int c = 0; c < names.size(); ++c)
            row.append({names[c], q.fieldAt(q.RecNo(), c).AsVariant()});
        rows.push_back(std::move(row));
    }
    q.Close();
    return rows;
}

void insertRow(kestrum::Query& q, const QString& table, const Row& row)
{
    QStringList columns;
    QVariantList values;
    for (const auto& [column, value] : row) {
        columns << column;
        values << value;
    }
    q.setStatement("Insert Into " + table + " ( " + columns.join(',') + " ) Values ( " +
                       QStringList(columns.size(), QStringLiteral("?")).join(',') + " )",
                   values);
    q.ExecSQL();
}

void set(Row& row, const QString& column, const QVariant& value)
{
    for (auto& [name, v] : row)
        if (name.compare(column, Qt::CaseInsensitive) == 0)
            v = value;
}

}  // namespace

QString estimateNotSavedMessage(qint64 estimate)
{
    return QStringLiteral("Estimate %1 is not saved (or was made into an invoice or archived already): "
                          "save it first. Nothing was written.")
        .arg(estimate);
}

QString estimateEmptyMessage(qint64 estimate)
{
    return QStringLiteral("Estimate %1 has no part or labor lines: there is nothing to invoice. Nothing was written.")
        .arg(estimate);
}

std::optional<qint64> makeInvoiceFromEstimate(qint64 estimate)
{
    const DocumentSpec& est = estimateDocument();
    const DocumentSpec& inv = invoiceDocument();
    // Queries of its own: the pool's would change what open windows show.
    kestrum::Query q(DM->database(), QStringLiteral("QMakeInvoice"));
    try {
        kestrum::Transaction transaction(DM->database());
        std::vector<Row> header = readRows(q, "Select * From " + est.headerTable + " where InvoiceNo_Inv=?", estimate);
        if (header.empty()) {
            ui::showMessage(estimateNotSavedMessage(estimate));
            return std::nullopt;
        }
        std::vector<Row> items = readRows(q, "Select * From " + est.itemTable + " where Inv_Item=?", estimate);
        std::vector<Row> labor = readRows(q, "Select * From " + est.laborTable + " where Inv_Labor=?", estimate);
        if (items.empty() && labor.empty()) {
            ui::showMessage(estimateEmptyMessage(estimate));
            return std::nullopt;
        }

        qint64 number = nextNumber(inv, &q);
        if (number == estimate)
            ++number;  // the archive is about to hold the estimate's number; keep it apart there
        const QDate today = QDate::currentDate();
        Row invoice = header.front();
        set(invoice, "InvoiceNo_Inv", number);
        set(invoice, "InvoiceDate_Inv", today);
        set(invoice, "DueDate_Inv", today);
        set(invoice, "Paid_Inv", false);
        set(invoice, "RowVersion", 0);  // a new row: no workstation has loaded it yet
        insertRow(q, inv.headerTable, invoice);
        for (Row& line : items) {
            set(line, "Inv_Item", number);
            insertRow(q, inv.itemTable, line);
        }
        for (Row& line : labor) {
            set(line, "Inv_Labor", number);
            insertRow(q, inv.laborTable, line);
        }

        // The estimate leaves for the archive as it was stored, so it cannot be converted twice.
        Row archived;
        for (const auto& [column, value] : header.front())
            if (column.compare("InvoiceNo_Inv", Qt::CaseInsensitive) != 0)
                archived.append({column, value});
        if (!copyToArchive(est, estimate, archived))
            throw DatabaseError(alreadyArchivedMessage(estimate));
        transaction.commit();
        return number;
    } catch (const DatabaseError& e) {
        throw DatabaseError(QStringLiteral("The invoice was not made and nothing was written: %1").arg(e.message()));
    }
}

}  // namespace kestrum::invoicing
