#include "Combos.h"

#include "ListCombo.h"
#include "Query.h"

namespace kestrum::receivables {

void fillDistinct(records::ListCombo* combo, Query* q, const QString& sql, const QString& column)
{
    q->setStatement(sql);
    q->Open();
    QStringList values;
    for (q->First(); !q->Eof(); q->Next()) {
        const QString v = q->FieldByName(column).AsString();
        if (!v.isEmpty())
            values << v;
    }
    combo->setValues(values);
}

QString sumText(Query* q, const QString& sql, const QVariantList& values)
{
    q->setStatement(sql, values);
    q->Open();
    return q->FieldByName(QStringLiteral("Expr1000")).AsString();
}

}  // namespace kestrum::receivables
