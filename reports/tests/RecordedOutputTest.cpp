// Every year's report of the report menu prints exactly what it printed when its statements were
// last rewritten: the texts of every page (rows, order, sums, rounding), the notes shown and the
// work tables left behind, recorded per engine in recorded/<engine>.txt. The data set adds the
// awkward rows to the shared one: invoices without lines, a taxable invoice without a date,
// rates that round at the sixth decimal, payments without an amount or method, lines without an
// amount, a customer without a name and names shared by several invoices.
//
// KESTRUM_RECORD_REPORTS=1 writes the files anew instead of comparing (only after a change of
// output that is meant).
#include "ReportsFixture.h"

#include "DataModule.h"
#include "ListReports.h"
#include "Query.h"
#include "TotalReports.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

using namespace reportstest;

namespace {

QString recordedFile(testsupport::Engine engine)
{
    return QStringLiteral(KESTRUM_RECORDED_DIR "/") + QString::fromStdString(testsupport::engineName(engine)) +
           QStringLiteral(".txt");
}

}  // namespace

class RecordedOutputTest : public ReportsTest {
protected:
    void SetUp() override
    {
        ReportsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        awkward();
    }

    void awkward()
    {
        // 2024: one rate that rounds at the sixth decimal; March 2025 has none.
        exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (3, 2024, 1, 12, ?)",
             {QVariant::fromValue(dec("0.07375"))});
        const auto invoice = [&](int no, const QVariant& customer, const QVariant& date, bool paid, bool taxable,
                                 const QVariant& amount) {
            exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, RepairPerson_Inv, InvoiceDate_Inv, "
                 "PO_Inv, Amount_Inv, TruckNo_Inv, Tax_Inv) Values (?,?,?,?,?,?,?,?,?)",
                 {no, paid, customer, QString("Sam"), date, QVariant(QMetaType::fromType<QString>()), amount,
                  QVariant(QMetaType::fromType<QString>()), taxable});
        };
        const auto part = [&](int inv, const QString& name, const char* qty, const char* rate, const QVariant& amount) {
            exec("Insert Into InvItem (Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item, "
                 "Inv_Item) Values (?,?,?,?,?,?,?,?)",
                 {name, QString("Mfg"), QVariant::fromValue(dec(qty)), QString(""), QString("ZZ-1"),
                  QVariant::fromValue(dec(rate)), amount, inv});
        };
        const auto labor = [&](int inv, const QString& name, const QVariant& amount) {
            exec("Insert Into InvLabor (Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, "
                 "Remark_Labor, Inv_Labor) Values (?,?,?,?,?,?,?)",
                 {name, QString(""), 1, amount, amount, QString(""), inv});
        };
        const auto pay = [&](int inv, const QVariant& name, const QVariant& via, const QDate& date,
                             const QVariant& amount) {
            exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, ViaPayment_Receivable, "
                 "DepositTo_Receivable, PayDate_Receivable, Ref_Receivable, Amount_Receivable, Remark_Receivable) "
                 "Values (?,?,?,?,?,?,?,?)",
                 {inv, name, via, QString("Main Checking"), date, QString("x"), amount, QString("")});
        };
        const QVariant noText(QMetaType::fromType<QString>());
        const QVariant noNumber(QMetaType::fromType<double>());

        // Several lines whose tax rounds half away at the sixth decimal (0.01 * 0.07375).
        invoice(20, QString("Brook Farm"), QDate(2024, 6, 1), true, true, QVariant::fromValue(dec("0.04")));
        part(20, "Washer", "1", "0.01", QVariant::fromValue(dec("0.01")));
        part(20, "Washer", "3", "0.01", QVariant::fromValue(dec("0.03")));
        pay(20, QString("Brook Farm"), QString("Cash"), QDate(2026, 3, 2), QVariant::fromValue(dec("0.04")));
        invoice(21, QString("Brook Farm"), QDate(2024, 6, 2), true, true, QVariant::fromValue(dec("0.01")));
        part(21, "Washer", "1", "0.01", QVariant::fromValue(dec("0.01")));
        pay(21, QString("Brook Farm"), QString("Cash"), QDate(2026, 3, 2), QVariant::fromValue(dec("0.01")));

        // No lines at all, a payment without amount and one without a method.
        invoice(22, QString("Dana Whitfield"), QDate(2026, 5, 5), true, true, noNumber);
        pay(22, QString("Dana Whitfield"), noText, QDate(2026, 5, 6), noNumber);
        pay(22, QString("Dana Whitfield"), QString("Cash"), QDate(2026, 5, 6), QVariant::fromValue(dec("0")));

        // A taxable invoice without a date, paid in 2026.
        invoice(23, QString("O'Neil Garage"), QVariant(QMetaType::fromType<QDate>()), true, true,
                QVariant::fromValue(dec("10")));
        part(23, "Bulb", "2", "5", QVariant::fromValue(dec("10")));
        pay(23, QString("O'Neil Garage"), QString("Check"), QDate(2026, 4, 1), QVariant::fromValue(dec("10")));

        // No customer name; a third of a unit; a line without an amount; March 2025 has no rate.
        invoice(24, noText, QDate(2025, 3, 3), true, true, QVariant::fromValue(dec("1.333333")));
        part(24, "Wire", "0.333333", "1", QVariant::fromValue(dec("0.333333")));
        part(24, "Tape", "1", "1", noNumber);
        part(24, "Fuse", "1", "1", QVariant::fromValue(dec("1")));
        labor(24, "Diagnosis", noNumber);
        pay(24, noText, QString("Card"), QDate(2025, 12, 31), QVariant::fromValue(dec("1")));
        pay(24, noText, QString("Card"), QDate(2026, 1, 2), QVariant::fromValue(dec("0.333333")));

        // Same name, same day, open, labor only; a second unrated invoice in March 2025.
        invoice(25, QString("Dana Whitfield"), QDate(2026, 5, 5), false, true, QVariant::fromValue(dec("33.33")));
        labor(25, "Brake job", QVariant::fromValue(dec("33.33")));
        pay(25, QString("Dana Whitfield"), QString("Check"), QDate(2026, 5, 7), QVariant::fromValue(dec("3.33")));
        invoice(26, QString("Zed Fleet"), QDate(2025, 3, 30), true, true, QVariant::fromValue(dec("2.5")));
        part(26, "Clip", "5", "0.5", QVariant::fromValue(dec("2.5")));
        pay(26, QString("Zed Fleet"), QString("Cash"), QDate(2026, 12, 31), QVariant::fromValue(dec("2.5")));

        // A purchase-order line without an amount.
        exec("Insert Into Items (Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item, "
             "Po_Item) Values (?,?,?,?,?,?,?,?)",
             {QString("Spacer"), QString("Mfg"), 1, QString(""), QString("SP-1"), noNumber, noNumber, 9});
    }

    // The page texts with the clock of the run taken out.
    static QString steady(QString text)
    {
        const QDate today = QDate::currentDate();
        for (const QString& day : {today.toString("M/d/yyyy"), QLocale().toString(today, QLocale::ShortFormat)})
            text.replace(day, "<today>");
        text.replace(QRegularExpression("\\b\\d{1,2}:\\d\\d(:\\d\\d)?( ?[AaPp][Mm])?"), "<time>");
        return text;
    }

    // The rows of a work table in a stable order, as text.
    QString table(const QString& sql)
    {
        kestrum::Query q(DM->database(), QStringLiteral("QRecorded"));
        q.Add(sql);
        q.Open();
        QStringList rows;
        const int n = q.RecordCount();
        for (int row = 0; row < n; ++row) {
            QStringList cells;
            for (int c = 0; c < q.FieldCount(); ++c)
                cells << kestrum::Decimal::fromVariant(q.fieldAt(row, c).AsVariant()).toString();
            rows << cells.join(u'|');
        }
        return rows.join(u'\n');
    }

    // One printout: the report's pages and any note shown before it.
    void record(const QString& name, QWidget* w, const QString& button)
    {
        dialogs_->clear();
        const QString pages = textOf(printed([&] { click(w, button); }));
        QString out = "== " + name + "\n" + steady(pages) + "\n";
        for (const QString& m : dialogs_->messages())
            out += "-- note: " + m + "\n";
        for (const QString& e : dialogs_->errors())
            out += "-- error: " + e + "\n";
        output_ += out;
    }

    void period(QWidget* w, const QString& from, const QString& to)
    {
        setText(w, "Edit1", from);
        setText(w, "Edit2", to);
    }

    QString output_;
};

TEST_P(RecordedOutputTest, EveryYearsReportPrintsWhatItPrintedBefore)
{
    auto* payable = open<TReportPayable>();
    for (const char* kind : {"Bill", "Order"}) {
        period(payable, "1/1/2026", "12/31/2026");
        setText(payable, "ComboBox5", kind);
        record(QString("payable ") + kind, payable, "Button2");
    }

    auto* receivable = open<TReportReceivable>();
    period(receivable, "1/1/2025", "12/31/2026");
    record("receivable", receivable, "Button2");
    setText(receivable, "ComboBox1", "Dana Whitfield");
    record("receivable Dana Whitfield", receivable, "Button2");

    auto* vendor = open<TReportVendor1>();
    period(vendor, "1/1/2026", "12/31/2026");
    record("vendor", vendor, "Button2");
    setText(vendor, "ComboBox1", "Acme Parts");
    record("vendor Acme Parts", vendor, "Button2");

    auto* customer = open<TReportCustomer>();
    for (const char* type : {"Parts", "Labor"}) {
        setText(customer, "ComboBox2", type);
        setText(customer, "ComboBox1", "All");
        period(customer, "1/1/2024", "12/31/2026");
        record(QString("customer ") + type, customer, "Button2");
        setText(customer, "ComboBox1", "Dana Whitfield");
        record(QString("customer ") + type + " Dana Whitfield", customer, "Button2");
    }

    auto* amount = open<TTotalAmountReport>();
    for (const char* type : {"Paid", "Open"})
        for (const auto& [from, to] : {std::pair{"1/1/2024", "12/31/2026"}, {"1/1/2026", "12/31/2026"},
                                       {"3/1/2025", "3/31/2025"}, {"6/1/2024", "6/30/2024"}}) {
            setText(amount, "ComboBox2", type);
            period(amount, from, to);
            record(QString("total amount %1 %2-%3").arg(QLatin1String(type), QLatin1String(from), QLatin1String(to)), amount, "Button2");
        }
    setText(amount, "ComboBox2", "Paid");
    setText(amount, "ComboBox1", "Brook Farm");
    period(amount, "1/1/2024", "12/31/2026");
    record("total amount Brook Farm", amount, "Button2");

    auto* totals = open<TTotalReceivable>();
    for (const char* type : {"Paid", "All"})
        for (const auto& [from, to] : {std::pair{"1/1/2026", "12/31/2026"}, {"1/1/2025", "12/31/2025"},
                                       {"5/1/2026", "5/31/2026"}}) {
            setText(totals, "ComboBox2", type);
            period(totals, from, to);
            record(QString("total receivable %1 %2-%3").arg(QLatin1String(type), QLatin1String(from), QLatin1String(to)), totals, "Button3");
            output_ += "-- TotalItem\n" + table("Select T_Inv_Item, T_Amount_Item From TotalItem Order By 1") + "\n";
            output_ += "-- TotalLabor\n" + table("Select T_Inv_Labor, T_Amount_Labor From TotalLabor Order By 1") + "\n";
            output_ += "-- TotalTax\n" + table("Select T_Inv_Tax, T_Amount_Tax From TotalTax Order By 1") + "\n";
        }

    const QString file = recordedFile(GetParam());
    if (qEnvironmentVariableIsSet("KESTRUM_RECORD_REPORTS")) {
        QSaveFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(output_.toUtf8());
        ASSERT_TRUE(out.commit());
        return;
    }
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file.toStdString();
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n');
    const QStringList actual = output_.split(u'\n');
    // Line by line, so a difference names its printout and place rather than two whole reports.
    QString section;
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        if (expected.value(i).startsWith("== "))
            section = expected.value(i);
        ASSERT_EQ(actual.value(i).toStdString(), expected.value(i).toStdString())
            << section.toStdString() << ", line " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordedOutputTest, TESTSUPPORT_ENGINES);
