#pragma once
// The window fixture plus a shop's data set spread over two years: invoices taxable and not,
// paid and open, payments in instalments, bills and their payments, orders with lines, deposits.
// The rows are kept here too, so tests sum them independently of the statements under test.
#include "Decimal.h"
#include "Format.h"
#include "PreparedReport.h"
#include "ReportPreview.h"
#include "WindowTest.h"

#include <QDate>
#include <QStringList>

#include <functional>
#include <vector>

namespace reportstest {

using kestrum::Decimal;

Decimal dec(const char* text);

struct Inv {
    int no;
    QString customer;
    QDate date;
    bool paid;
    bool taxable;
    std::vector<Decimal> parts;  // one line per amount
    std::vector<Decimal> labor;
};

struct Pay {
    int invoice;
    QString name;
    QString via;
    QDate date;
    QString ref;
    Decimal amount;
};

struct BillPay {
    QString bill;
    QString vendor;
    QString via;
    QDate date;
    Decimal amount;
    QString chart;
    QString subChart;
    bool order;  // PayableOrder rather than Payable
};

struct Order {
    int po;
    QString sideMark;
    QDate date;
    QString vendor;
};

struct Line {
    int po;
    QString name;
    QString partNo;
    Decimal qty;
    Decimal rate;
    Decimal amount() const { return qty * rate; }
};

struct Dep {
    QString to;
    QDate date;
    QString from;
    QString chk;
    Decimal amount;
};

/// Rates by month of 2026: 7.25 % to June, 8 % from July; 2025 has none.
Decimal rateOf(const QDate& date);
Decimal sum(const std::vector<Decimal>& amounts);

class ReportsTest : public testsupport::WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Writes the data set below into the tables.
    void seed();

    /// Runs `print` and returns the one report it showed (fails the test when none or more).
    kestrum::report::PreparedReport printed(const std::function<void()>& print);
    /// Every text of every page.
    static QString textOf(const kestrum::report::PreparedReport& r);
    /// The report as PDF, read back with pdftotext ("" when pdftotext is missing).
    static QString pdfTextOf(const kestrum::report::PreparedReport& r);
    /// The rows a grid shows, each as its cells joined by "|".
    static QStringList gridRows(QWidget* window);
    static QString money(const Decimal& d);

    std::vector<Inv> invoices;
    std::vector<Pay> payments;
    std::vector<BillPay> billPayments;
    std::vector<Order> orders;
    std::vector<Line> lines;
    std::vector<Dep> deposits;
};

}  // namespace reportstest
