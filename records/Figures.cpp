#include "Figures.h"

#include "Query.h"

namespace kestrum::records {

std::optional<Decimal> sumWhere(Query* q, const QString& column, const QString& table, const QString& match,
                                const QString& value)
{
    q->Close();
    q->Clear();
    q->Add("Select Sum(" + column + ") From " + table + " where " + match + " =?");
    q->Bind(value);
    q->Open();
    const Field sum = q->FieldByName(QStringLiteral("Expr1000"));
    if (sum.IsNull())
        return std::nullopt;
    return sum.AsCurrency();
}

}  // namespace kestrum::records
