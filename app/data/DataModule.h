#pragma once
// The data module: the one database connection and the pool of named queries the windows share.
#include "Query.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

namespace kestrum {
/// \brief The database name Qt's ODBC driver takes for a data source name or connection string
/// (the driver puts "DSN=" in front of any text without "DRIVER=" or "SERVER=").
QString qtOdbcDatabaseName(const QString& connection);
}  // namespace kestrum

class TDM : public QObject {
    Q_OBJECT
public:
    /// \brief Connects at once. `connection` is a data source name ("Kestrum") or, when it holds
    /// a '=', a full ODBC connection string; credentials come only from it. Throws
    /// kestrum::DatabaseError with the driver's message when the connection fails.
    explicit TDM(const QString& connection, QObject* parent = nullptr);
    ~TDM() override;

    QSqlDatabase database() const;
    /// Qt's name of the connection (unique per TDM).
    const QString& connectionName() const { return connectionName_; }
    /// Every pool query (QReg1 first).
    const QList<kestrum::Query*>& queries() const { return queries_; }

    // profile row, opened with "select * from Reg" at creation
    kestrum::Query* QReg1;
    // login and password change; QPass2 also the shop profile
    kestrum::Query *QPass1, *QPass2;
    // parts
    kestrum::Query *QPart1, *QPart2;
    // vendors; QCompany2 also report windows and deposits, QCompany4 the vendor history
    kestrum::Query *QCompany1, *QCompany2, *QCompany3, *QCompany4;
    // customers; QCustomer1, QCustomer2 also tax and bank, QCustomer4 the histories
    kestrum::Query *QCustomer1, *QCustomer2, *QCustomer3, *QCustomer4;
    // employees
    kestrum::Query *QEmployee1, *QEmployee2;
    // labor catalog
    kestrum::Query *QLabor1, *QLabor2;
    // purchase orders; QPo2, QPo3 also invoices and estimates
    kestrum::Query *QPo1, *QPo2, *QPo3;
    // purchase-order lines
    kestrum::Query *QItem1, *QItem2, *QItem3, *QItem4;
    // invoices
    kestrum::Query *QInv1, *QInv2;
    // invoice part lines
    kestrum::Query *QInvItem1, *QInvItem2, *QInvItem3, *QInvItem4;
    // invoice and estimate labor lines
    kestrum::Query *QInvLabor1, *QInvLabor2, *QInvLabor3, *QInvLabor4;
    // estimates
    kestrum::Query *QEstimate1, *QEstimate2, *QEstimateLabor1;
    kestrum::Query *QEstimateItem1, *QEstimateItem2, *QEstimateItem3, *QEstimateItem4;
    // bills; QBill2 also bank, payables, receivables
    kestrum::Query *QBill1, *QBill2, *QBill3;
    // bill part and expense lines
    kestrum::Query *QBillPart1, *QBillPart2, *QBillPart3, *QBillPart4;
    kestrum::Query *QBillExpense1, *QBillExpense2, *QBillExpense3, *QBillExpense4;
    // payables and their lists
    kestrum::Query *QPayable1, *QPayable2, *QPayable3, *QPayable4;
    // receivables and their lists; QReceivable1 also invoices and estimates. QReceivable3 is the
    // receivable list's, QReceivable5 the payment window's look-ups, QReceivable6 the finder's:
    // one window re-running its query must not change the rows another window shows.
    kestrum::Query *QReceivable1, *QReceivable2, *QReceivable3, *QReceivable4, *QReceivable5, *QReceivable6;
    // deposits
    kestrum::Query *QDeposit1, *QDeposit2, *QDeposit3;
    // tax rate
    kestrum::Query *QTax;
    // scratch queries for one-off sums and look-ups
    kestrum::Query *Q1, *Q2, *Q3, *Q4, *Q5;

private:
    kestrum::Query* make(const char* name);

    QString connectionName_;
    QList<kestrum::Query*> queries_;
};

/// The program's data module (set by the program at start-up; tests make their own).
extern TDM* DM;
