#include "DataModule.h"

#include "BackgroundCount.h"
#include "Concurrency.h"
#include "DatabaseError.h"
#include "Schema.h"

#include <QAtomicInt>
#include <QSqlError>

TDM* DM = nullptr;

namespace {

// The schema knows each column's type and spelling, which the engines report differently.
kestrum::ColumnHint schemaHint(const QString& column) {
    using kestrum::ColumnKind;
    using kestrum::schema::ColumnType;
    const kestrum::schema::Column* c = kestrum::schema::findColumn(column);
    if (!c) return {};
    switch (c->type) {
    case ColumnType::Integer:
        return {ColumnKind::Integer, c->name};
    case ColumnType::Number:
    case ColumnType::Rate:
        return {ColumnKind::Number, c->name};
    case ColumnType::Date:
        return {ColumnKind::Date, c->name};
    case ColumnType::Boolean:
        return {ColumnKind::Boolean, c->name};
    case ColumnType::Text:
        return {ColumnKind::Text, c->name};
    }
    return {};
}

// A list over a table with a key can be read a page at a time by that key.
kestrum::TableHint schemaTable(const QString& name) {
    const kestrum::schema::Table* t = kestrum::schema::findTable(name);
    if (!t) return {};
    kestrum::TableHint hint{t->key, {}, {}};
    for (const kestrum::schema::Column& c : t->columns) hint.columns << c.name;
    if (!t->key.isEmpty()) hint.indexLeads << t->key;
    for (const kestrum::schema::Index& i : kestrum::schema::indexesOf(*t)) hint.indexLeads << i.columns.first();
    hint.folded = t->foldedSorts;
    hint.foldedExpression = kestrum::schema::foldedSortExpression;
    return hint;
}

QAtomicInt serial;

}  // namespace

// A connection string that names its data source must not carry its own "DSN=".
QString kestrum::qtOdbcDatabaseName(const QString& connection) {
    const QString text = connection.trimmed();
    if (!text.contains(u'=')) return text;
    if (text.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("SERVER="), Qt::CaseInsensitive))
        return text;
    if (text.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive)) return text.mid(4);
    return text;
}

TDM::TDM(const QString& connection, QObject* parent)
    : QObject(parent), connectionName_(QStringLiteral("kestrum-%1").arg(serial.fetchAndAddRelaxed(1))) {
    setObjectName(QStringLiteral("DM"));
    kestrum::Query::setColumnHints(schemaHint);
    kestrum::Query::setTableHints(schemaTable);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName_);
        db.setDatabaseName(kestrum::qtOdbcDatabaseName(connection));
        if (!db.open()) {
            const QSqlError e = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName_);
            throw kestrum::DatabaseError(e, QString());
        }
        // Other workstations may hold locks: wait a few seconds, never for ever.
        kestrum::prepareSession(db);
    }
    QReg1 = make("QReg1");
    QPass1 = make("QPass1");
    QPass2 = make("QPass2");
    QPart1 = make("QPart1");
    QPart2 = make("QPart2");
    QCompany1 = make("QCompany1");
    QCompany2 = make("QCompany2");
    QCompany3 = make("QCompany3");
    QCompany4 = make("QCompany4");
    QCustomer1 = make("QCustomer1");
    QCustomer2 = make("QCustomer2");
    QCustomer3 = make("QCustomer3");
    QCustomer4 = make("QCustomer4");
    QEmployee1 = make("QEmployee1");
    QEmployee2 = make("QEmployee2");
    QLabor1 = make("QLabor1");
    QLabor2 = make("QLabor2");
    QPo1 = make("QPo1");
    QPo2 = make("QPo2");
    QPo3 = make("QPo3");
    QItem1 = make("QItem1");
    QItem2 = make("QItem2");
    QItem3 = make("QItem3");
    QItem4 = make("QItem4");
    QInv1 = make("QInv1");
    QInv2 = make("QInv2");
    QInvItem1 = make("QInvItem1");
    QInvItem2 = make("QInvItem2");
    QInvItem3 = make("QInvItem3");
    QInvItem4 = make("QInvItem4");
    QInvLabor1 = make("QInvLabor1");
    QInvLabor2 = make("QInvLabor2");
    QInvLabor3 = make("QInvLabor3");
    QInvLabor4 = make("QInvLabor4");
    QEstimate1 = make("QEstimate1");
    QEstimate2 = make("QEstimate2");
    QEstimateItem1 = make("QEstimateItem1");
    QEstimateItem2 = make("QEstimateItem2");
    QEstimateItem3 = make("QEstimateItem3");
    QEstimateItem4 = make("QEstimateItem4");
    QEstimateLabor1 = make("QEstimateLabor1");
    QBill1 = make("QBill1");
    QBill2 = make("QBill2");
    QBill3 = make("QBill3");
    QBillPart1 = make("QBillPart1");
    QBillPart2 = make("QBillPart2");
    QBillPart3 = make("QBillPart3");
    QBillPart4 = make("QBillPart4");
    QBillExpense1 = make("QBillExpense1");
    QBillExpense2 = make("QBillExpense2");
    QBillExpense3 = make("QBillExpense3");
    QBillExpense4 = make("QBillExpense4");
    QPayable1 = make("QPayable1");
    QPayable2 = make("QPayable2");
    QPayable3 = make("QPayable3");
    QPayable4 = make("QPayable4");
    QReceivable1 = make("QReceivable1");
    QReceivable2 = make("QReceivable2");
    QReceivable3 = make("QReceivable3");
    QReceivable4 = make("QReceivable4");
    QReceivable5 = make("QReceivable5");
    QReceivable6 = make("QReceivable6");
    QDeposit1 = make("QDeposit1");
    QDeposit2 = make("QDeposit2");
    QDeposit3 = make("QDeposit3");
    QTax = make("QTax");
    Q1 = make("Q1");
    Q2 = make("Q2");
    Q3 = make("Q3");
    Q4 = make("Q4");
    Q5 = make("Q5");
    try {
        QReg1->Add(QStringLiteral("select * from Reg"));
        QReg1->Open();
    } catch (...) {
        qDeleteAll(queries_);
        queries_.clear();
        QSqlDatabase::database(connectionName_, false).close();
        QSqlDatabase::removeDatabase(connectionName_);
        throw;
    }
}

TDM::~TDM() {
    // The statements go before their connection does.
    qDeleteAll(queries_);
    queries_.clear();
    // A list's count may still run on a connection of its own: it ends before the database closes.
    kestrum::waitForBackgroundCounts();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase TDM::database() const { return QSqlDatabase::database(connectionName_, false); }

kestrum::Query* TDM::make(const char* name) {
    auto* q = new kestrum::Query(database(), QString::fromLatin1(name));
    queries_.append(q);
    return q;
}
