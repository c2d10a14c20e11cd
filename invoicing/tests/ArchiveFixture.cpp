#include "ArchiveFixture.h"

#include "AuxWindow.h"
#include "DataModule.h"
#include "Query.h"

#include <QSqlQuery>
#include <QSqlRecord>

void ArchiveTest::SetUp()
{
    InvoicingTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    kestrum::ui::createAuxWindow("TEstimatePartFind", "Part Find");
    kestrum::ui::createAuxWindow("TEstimateLaborFind", "Labor Find");
}

QStringList ArchiveTest::rows(const QString& table)
{
    QSqlQuery q(DM->database());
    EXPECT_TRUE(q.exec("Select * From " + table)) << table.toStdString();
    QStringList out;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        out << values.join('|');
    }
    out.sort();
    return out;
}

QString ArchiveTest::snapshot()
{
    QString s;
    for (const char* t : {"Invoice", "InvItem", "InvLabor", "Estimate", "EstimateItem", "EstimateLabor",
                          "InvoiceCash", "InvItemCash", "InvLaborCash", "Receivable"})
        s += QString::fromLatin1(t) + ":\n" + rows(QString::fromLatin1(t)).join('\n') + "\n";
    return s;
}
