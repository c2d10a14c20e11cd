#include "Combos.h"

#include "Figures.h"
#include "ListCombo.h"
#include "Query.h"

namespace kestrum::receivables {

void fillDistinct(records::ListCombo* combo, Query* q, const QString& sql, const QString& column)
{
    QStringList values = records::columnValues(q, sql, column);
    values.removeAll(QString());
    combo->setValues(values);
}

QString sumText(Query* q, const QString& sql, const QVariantList& values)
{
    q->setStatement(sql, values);
    q->Open();
    return q->FieldByName(QStringLiteral("Expr1000")).AsString();
}

}  // namespace kestrum::receivables
