#include "RowDelete.h"

#include "Decimal.h"
#include "Query.h"
#include "Transaction.h"

namespace kestrum::receivables {

namespace {

bool isEmptyText(const QVariant& v)
{
    return v.metaType() == QMetaType::fromType<QString>() && v.toString().isEmpty();
}

/// " where a=? And b Is Null And (c=? Or c Is Null)" with the values to bind.
QString whereClause(const QList<ColumnValue>& match, QVariantList& values)
{
    QStringList terms;
    for (const ColumnValue& m : match) {
        if (m.value.isNull()) {
            terms << m.column + " Is Null";
        } else if (isEmptyText(m.value)) {
            terms << "(" + m.column + "=? Or " + m.column + " Is Null)";
            values << m.value;
        } else {
            terms << m.column + "=?";
            values << m.value;
        }
    }
    return terms.isEmpty() ? QString() : " where " + terms.join(" And ");
}

bool sameValue(const QVariant& stored, const QVariant& wanted)
{
    if (wanted.isNull() || isEmptyText(wanted))
        return stored.isNull() || isEmptyText(stored);
    if (stored.isNull())
        return false;
    if (stored.metaType() == QMetaType::fromType<Decimal>() || wanted.metaType() == QMetaType::fromType<Decimal>())
        return Decimal::fromVariant(stored) == Decimal::fromVariant(wanted);
    if (stored.metaType() == QMetaType::fromType<QDate>() || wanted.metaType() == QMetaType::fromType<QDate>())
        return stored.toDate() == wanted.toDate();
    return stored.toString() == wanted.toString();
}

}  // namespace

bool deleteOneRow(Query* q, const QString& table, const QList<ColumnValue>& match, const QList<ColumnValue>& prefer)
{
    QVariantList values;
    const QString where = whereClause(match, values);

    Transaction transaction(q->database());
    q->setStatement("Select * From " + table + where, values);
    q->Open();
    const int rows = q->RecordCount();
    if (rows == 0)
        return false;

    // The rows that stay, read before the delete so they can be written back unchanged.
    const QStringList columns = q->FieldNames();
    int dropped = 0;
    for (int r = 0; r < rows && !prefer.isEmpty(); ++r) {
        bool all = true;
        for (const ColumnValue& p : prefer)
            all = all && sameValue(q->fieldAt(r, q->fieldIndex(p.column)).AsVariant(), p.value);
        if (all) {
            dropped = r;
            break;
        }
    }
    QList<QVariantList> keep;
    for (int r = 0; r < rows; ++r) {
        if (r == dropped)
            continue;
        QVariantList row;
        for (int c = 0; c < columns.size(); ++c)
            row << q->fieldAt(r, c).AsVariant();
        keep << row;
    }

    q->setStatement("Delete From " + table + where, values);
    q->ExecSQL();
    if (!keep.isEmpty()) {
        const QString insert = "Insert Into " + table + " (" + columns.join(",") + ") Values (" +
                               QStringList(columns.size(), "?").join(",") + ")";
        for (const QVariantList& row : keep) {
            q->setStatement(insert, row);
            q->ExecSQL();
        }
    }
    transaction.commit();
    return true;
}

}  // namespace kestrum::receivables
