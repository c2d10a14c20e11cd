#include "Archive.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Query.h"
#include "Transaction.h"

#include <QStringList>

namespace kestrum::invoicing {

namespace {

const QString ItemColumns =
    QStringLiteral("Inv_Item, Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item");
const QString LaborColumns = QStringLiteral(
    "Inv_Labor, Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, Remark_Labor");

void run(kestrum::Query* q, const QString& sql, const QVariantList& values)
{
    q->setStatement(sql, values);
    q->ExecSQL();
}

}  // namespace

QString alreadyArchivedMessage(qint64 number)
{
    return QStringLiteral("Number %1 is already in the archive (an invoice or estimate archived before). "
                          "Nothing was archived.")
        .arg(number);
}

bool moveToArchive(const DocumentSpec& doc, qint64 number, const QList<std::pair<QString, QVariant>>& header)
{
    kestrum::Transaction transaction(DM->database());
    if (!copyToArchive(doc, number, header)) {
        ui::showMessage(alreadyArchivedMessage(number));
        return false;
    }
    transaction.commit();
    return true;
}

bool copyToArchive(const DocumentSpec& doc, qint64 number, const QList<std::pair<QString, QVariant>>& header)
{
    // Invoices and estimates share the archive's tables and their numbers may meet there; each
    // row names the live table it came from. Rows archived before that was kept (NULL) could be
    // either kind, so they still block both: never overwrite or mix a document there.
    const QString kind = doc.headerTable;
    kestrum::Query* probe = DM->Q2;
    QVariantList counted;
    for (int i = 0; i < 3; ++i)
        counted << number << kind;
    probe->setStatement(
        "Select (Select Count(*) From InvoiceCash where InvoiceNo_Inv=? and (Kind_Inv=? or Kind_Inv is null))\n"
        " + (Select Count(*) From InvItemCash where Inv_Item=? and (Kind_Item=? or Kind_Item is null))\n"
        " + (Select Count(*) From InvLaborCash where Inv_Labor=? and (Kind_Labor=? or Kind_Labor is null))"
        " As Archived",
        counted);
    probe->Open();
    const qint64 archived = probe->FieldByName("Archived").AsInteger();
    probe->Close();
    if (archived > 0)
        return false;

    QStringList columns{QStringLiteral("InvoiceNo_Inv"), QStringLiteral("Kind_Inv")};
    QVariantList values{number, kind};
    for (const auto& [column, value] : header) {
        // The archive keeps no tax flag and no row version (its rows are never edited).
        if (column.compare(QLatin1String("Tax_Inv"), Qt::CaseInsensitive) == 0 ||
            column.compare(QLatin1String("InvoiceNo_Inv"), Qt::CaseInsensitive) == 0 ||
            column.compare(QLatin1String("RowVersion"), Qt::CaseInsensitive) == 0)
            continue;
        columns << column;
        values << value;
    }
    run(DM->Q1,
        " Insert Into InvoiceCash ( " + columns.join(',') + " ) Values ( " +
            QStringList(columns.size(), QStringLiteral("?")).join(',') + ")",
        values);
    // The lines are copied inside the database, so every value arrives exactly as stored.
    run(DM->Q4,
        " Insert Into InvItemCash ( " + ItemColumns + ", Kind_Item ) Select " + ItemColumns + ", ? From " +
            doc.itemTable + " where Inv_Item=?",
        {kind, number});
    run(doc.archiveLabor ? DM->*doc.archiveLabor : DM->QInvLabor1,
        " Insert Into InvLaborCash ( " + LaborColumns + ", Kind_Labor ) Select " + LaborColumns + ", ? From " +
            doc.laborTable + " where Inv_Labor=?",
        {kind, number});
    run(DM->Q3, "Delete  From " + doc.itemTable + " where Inv_Item=?", {number});
    run(DM->Q3, "Delete  From " + doc.laborTable + " where Inv_Labor=?", {number});
    run(DM->Q3, "Delete  From " + doc.headerTable + " where InvoiceNo_Inv=?", {number});
    return true;
}

}  // namespace kestrum::invoicing
