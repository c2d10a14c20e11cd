#include "Figures.h"

#include "Query.h"

namespace kestrum::records {

std::optional<Decimal> sumWhere(Query* q, const QString& column, const QString& table, const QString& match,
                                const QString& value)
{
    q->setStatement("Select Sum(" + column + ") From " + table + " where " + match + " =?", {value});
    q->Open();
    const Field sum = q->FieldByName(QStringLiteral("Expr1000"));
    if (sum.IsNull())
        return std::nullopt;
    return sum.AsCurrency();
}

QStringList columnValues(Query* q, const QString& sql, const QString& column)
{
    q->setStatement(sql);
    q->Open();
    QStringList values;
    for (q->First(); !q->Eof(); q->Next())
        values << q->FieldByName(column).AsString();
    return values;
}

}  // namespace kestrum::records
