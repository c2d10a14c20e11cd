#include "WindowActions.h"

#include "AuxWindow.h"
#include "CsvExport.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "Decimal.h"
#include "Format.h"
#include "InvoiceLines.h"
#include "InvoiceLists.h"
#include "LineEditor.h"
#include "Mdi.h"
#include "PickerWindow.h"
#include "ReceivablesAging.h"
#include "Query.h"
#include "QueryModel.h"
#include "RecordWindow.h"
#include "ReportPreview.h"
#include "ReportWindow.h"
#include "ScriptedDialogs.h"
#include "StatementLog.h"
#include "TInvoice.h"
#include "VehicleHistory.h"
#include "WindowFactory.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlRecord>
#include <QRegularExpression>
#include <QSqlError>
#include <QThread>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/resource.h>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

namespace kestrum::bench {

namespace {

using Clock = std::chrono::steady_clock;

class Driver {
public:
    Driver(const ActionOptions& o, ActionResults& r) : o_(o), r_(r) {}

    void run();

private:
    void timed(const QString& action, const std::function<void()>& f);
    // A list counted after its first page: from `opened` to the count's arrival, as "<action>, list counted".
    void untilCounted(const QString& action, Clock::time_point opened, QTableView* view);
    void notePeak(const QString& action, double peakBefore);
    void fault(const QString& action, const QString& text) { r_.faults << action + ": " + text; }
    void progress(const QString& text) const
    {
        if (o_.progress)
            o_.progress(text);
    }

    void master(const QString& cls, int run);
    // Ctrl+End in a master list, then up through it a page of rows at a time.
    void lastAndScroll(const QString& tag, kestrum::records::RecordWindow* rw, QTableView* grid);
    void invoice(int run);
    void report(const QString& cls);
    void shop(bool lookUps, bool aging, bool csv);
    void vehicleLookUps();
    void receivablesAging();
    void invoiceListCsv();

    // Straight to the database, past the windows and the query pool.
    std::optional<QVariant> scalar(const QString& sql, const QVariantList& values = {});
    Decimal sum(const QString& sql, const QVariantList& values);

    const ActionOptions& o_;
    ActionResults& r_;
    kestrum::ui::ScriptedDialogs* dialogs_ = nullptr;
    QString partNo_;  // a part that purchase orders carry, for the parts report
};

/// Lets the view ask for its first rows, as it does once it is painted, and returns how many it has.
int settleRows(QTableView* view)
{
    QApplication::processEvents();
    QAbstractItemModel* m = view->model();
    if (!m)
        return 0;
    if (m->rowCount() == 0 && m->canFetchMore({}))
        m->fetchMore({});
    QApplication::processEvents();
    return m->rowCount();
}

void clickAt(QWidget* viewport, QPoint at)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
}

void clickTitle(QTableView* grid, int section)
{
    QHeaderView* h = grid->horizontalHeader();
    clickAt(h->viewport(), QPoint(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2));
}

QString labelText(QWidget* w, const char* name)
{
    if (auto* l = w->findChild<QLabel*>(name))
        return l->text();
    if (auto* e = w->findChild<QLineEdit*>(name))
        return e->text();
    return QString();
}

Decimal number(const QString& text)
{
    return Decimal::parse(text.trimmed()).value_or(Decimal{});
}

bool near(Decimal a, Decimal b)
{
    const Decimal d = a - b;
    return !(Decimal::fromRaw(10000) < d) && !(d < Decimal::fromRaw(-10000));  // within 0.01
}

void closeAndFree(QWidget* w)
{
    delete w;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

/// Counts the reports shown while it lives and their pages, and hands each to `each`. Unlike a copy
/// of every prepared report (a year's customer report is some 150 MB of pages), it keeps nothing,
/// so the run's peak memory is the program's own.
class ShownReports {
public:
    explicit ShownReports(std::function<void(const kestrum::report::PreparedReport&)> each = {})
        : each_(std::move(each))
    {
        previous_ = kestrum::report::setShowReportHook([this](const kestrum::report::PreparedReport& r) {
            ++shown_;
            if (shown_ == 1)
                pages_ = r.pageCount();
            if (each_)
                each_(r);
        });
    }
    ~ShownReports() { kestrum::report::setShowReportHook(std::move(previous_)); }
    ShownReports(const ShownReports&) = delete;
    ShownReports& operator=(const ShownReports&) = delete;
    int shown() const { return shown_; }
    int firstPages() const { return pages_; }  // of the first report shown

private:
    std::function<void(const kestrum::report::PreparedReport&)> each_;
    kestrum::report::ShowReportHook previous_;
    int shown_ = 0;
    int pages_ = 0;
};

// --trace: every statement run while it lives, printed with the action's own time.
class StatementTrace {
public:
    StatementTrace(const QString& pattern, const QString& action) : action_(action)
    {
        on_ = !pattern.isEmpty() &&
              QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption).match(action).hasMatch();
        if (on_)
            kestrum::setStatementObserver([this](const QString& sql, double ms) {
                statements_ << QString::asprintf("%8.2f ms  ", ms) + sql.simplified();
                statementMs_ += ms;
            });
    }
    ~StatementTrace()
    {
        if (on_)
            kestrum::setStatementObserver({});
    }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    void print(double actionMs)
    {
        if (!on_)
            return;
        kestrum::setStatementObserver({});
        on_ = false;
        std::fprintf(stderr, "%s: %.2f ms, %d statements %.2f ms\n", qPrintable(action_), actionMs,
                     int(statements_.size()), statementMs_);
        for (const QString& s : std::as_const(statements_))
            std::fprintf(stderr, "  %s\n", qPrintable(s));
    }

private:
    QString action_;
    bool on_ = false;
    QStringList statements_;
    double statementMs_ = 0;
};

}  // namespace

const std::vector<QString>& masterWindows()
{
    static const std::vector<QString> all{"TPart", "TCustomer", "TCompany", "TEmployee", "TLabor", "TTax"};
    return all;
}

const std::vector<QString>& reportWindows()
{
    static const std::vector<QString> all{"TReportPayable",     "TReportReceivable", "TReportCustomer",
                                          "TReportVendor1",     "TReportItems",      "TReportBank",
                                          "TTotalAmountReport", "TTotalReceivable",  "TOpenInvoice",
                                          "TFinishedInvoiceReport"};
    return all;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

std::pair<double, double> goalsOf(const std::string& action)
{
    const QString a = QString::fromStdString(action);
    if (a.endsWith("first page shown"))
        return {FirstPageGoalMs, FirstPageGoalMs};
    if (a.endsWith("whole report ready"))
        return {WholeReportGoalMs, WholeReportGoalMs};
    return {MedianGoalMs, P95GoalMs};
}

QString figuresTable(const ActionResults& results)
{
    QString out = QString("%1 %2 %3 %4\n").arg("Action", -34).arg("Runs", 5).arg("Median ms", 10).arg("p95 ms", 10);
    for (const auto& [action, v] : results.samples) {
        const double median = percentile(v, 0.5), p95 = percentile(v, 0.95);
        const auto [medianGoal, p95Goal] = goalsOf(action);
        QString line = QString("%1 %2 %3 %4")
                           .arg(QString::fromStdString(action), -34)
                           .arg(v.size(), 5)
                           .arg(median, 10, 'f', 1)
                           .arg(p95, 10, 'f', 1);
        if (median > medianGoal || p95 > p95Goal)
            line += "  miss";
        out += line + "\n";
    }
    return out;
}

double peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void Driver::notePeak(const QString& action, double peakBefore)
{
    const double rise = peakRssMb() - peakBefore;
    double& most = r_.peakRiseMb[action.toStdString()];
    most = std::max(most, rise);
}

void Driver::untilCounted(const QString& action, Clock::time_point opened, QTableView* view)
{
    auto* model = view ? qobject_cast<kestrum::QueryModel*>(view->model()) : nullptr;
    if (!model || !model->query())
        return;
    while (model->query()->countPending() && Clock::now() - opened < std::chrono::seconds(30)) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
    r_.samples[(action + ", list counted").toStdString()].push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - opened).count());
}

void Driver::timed(const QString& action, const std::function<void()>& f)
{
    const int errorsBefore = int(dialogs_->errors().size());
    const double peak = peakRssMb();
    StatementTrace trace(o_.traceActions, action);
    const auto t0 = Clock::now();
    f();
    QApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    trace.print(ms);
    notePeak(action, peak);
    r_.samples[action.toStdString()].push_back(ms);
    const QStringList errors = dialogs_->errors();
    for (int i = errorsBefore; i < errors.size(); ++i)
        r_.errors << action + ": " + errors[i];
}

std::optional<QVariant> Driver::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery q(DM->database());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw std::runtime_error((sql + ": " + q.lastError().text()).toStdString());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw std::runtime_error((sql + ": " + q.lastError().text()).toStdString());
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0);
}

Decimal Driver::sum(const QString& sql, const QVariantList& values)
{
    const auto v = scalar(sql, values);
    return v ? Decimal::fromVariant(*v) : Decimal{};
}

void Driver::run()
{
    kestrum::ui::ScriptedDialogs dialogs;
    dialogs_ = &dialogs;
    // The finders are start-up windows; one made here goes again at the end.
    const bool ownFinder = !kestrum::ui::auxWindow("TInvPartFind");
    if (ownFinder)
        kestrum::ui::createAuxWindow("TInvPartFind", "InvPartFind");
    if (const auto p = scalar("Select Max(Color_Item) From Items"))
        partNo_ = p->toString();
    for (int run = 0; run < o_.runs; ++run) {
        progress(QString("run %1 of %2").arg(run + 1).arg(o_.runs));
        auto wanted = [&](const QString& cls) { return o_.only.isEmpty() || o_.only.contains(cls); };
        for (const QString& cls : masterWindows())
            if (wanted(cls))
                master(cls, run);
        if (wanted("TInvoice"))
            invoice(run);
        for (const QString& cls : reportWindows())
            if (wanted(cls))
                report(cls);
        // "Shop" runs the three; each can also be named alone.
        shop(wanted("Shop") || wanted("TVehicleHistory"), wanted("Shop") || wanted("TReceivablesAging"),
             wanted("Shop") || wanted("CSV"));
    }
    if (ownFinder)
        delete kestrum::ui::auxWindow("TInvPartFind");
    dialogs_ = nullptr;
}

void Driver::master(const QString& cls, int run)
{
    const QString tag = cls + " ";
    QWidget* w = nullptr;
    const auto opened = Clock::now();
    timed(tag + "open", [&] {
        w = kestrum::ui::WindowFactory::create(cls);
        if (!w)
            throw std::runtime_error((cls + " is not registered").toStdString());
        w->resize(1100, 700);
        w->show();
    });
    auto* rw = qobject_cast<kestrum::records::RecordWindow*>(w);
    if (!rw)
        throw std::runtime_error((cls + " is not a record window").toStdString());
    const kestrum::records::RecordSpec& spec = rw->spec();
    QTableView* grid = rw->grid();
    if (spec.countFollows)
        untilCounted(tag + "open", opened, grid);
    const int rows = settleRows(grid);
    if (rows == 0)
        fault(tag + "open", "the grid shows no rows");

    if (rows > 0) {
        const int row = (run * 7 + 1) % std::min(rows, 20);
        const QString key = grid->model()->index(row, 0).data().toString();
        timed(tag + "select row", [&] { clickAt(grid->viewport(), grid->visualRect(grid->model()->index(row, 0)).center()); });
        if (rw->controlText(spec.keyControl) != key)
            fault(tag + "select row", "key box shows " + rw->controlText(spec.keyControl) + ", the row is " + key);
    }

    if (!spec.sortable.isEmpty()) {
        // A sortable title other than the key's, so the order really changes.
        const int section = 1 + run % std::min<int>(int(spec.sortable.size()) - 1, grid->horizontalHeader()->count() - 1);
        timed(tag + "title sort", [&] { clickTitle(grid, section); });
        const QString field = rw->listQuery()->FieldNames().value(section);
        if (spec.sortable.contains(field, Qt::CaseInsensitive) && rw->sortColumn().compare(field, Qt::CaseInsensitive) != 0)
            fault(tag + "title sort", "list sorted by '" + rw->sortColumn() + "' after a click on " + field);
    }

    if (auto* box = rw->findChild<QLineEdit*>(spec.searchControl);
        box && !(spec.sortable.isEmpty() && spec.defaultSearchColumn.isEmpty())) {
        const QString text = QString(QChar(u'A' + run % 26));
        timed(tag + "search", [&] { box->setText(text); });
        const QString column = rw->sortColumn().isEmpty() ? spec.defaultSearchColumn : rw->sortColumn();
        const QString found = rw->listQuery()->FieldByName(column).AsString();
        const int c = rw->listQuery()->fieldIndex(column);
        const bool text_ = rw->listQuery()->columnKind(c) == kestrum::ColumnKind::Text;
        const bool any = text_ && scalar("Select Count(*) From " + spec.table + " where Lower(" + column + ") Like ?",
                                {text.toLower() + "%"})
                             .value_or(0)
                             .toLongLong() > 0;
        if (any && !found.startsWith(text, Qt::CaseInsensitive))
            fault(tag + "search", "'" + text + "' in " + column + " found '" + found + "'");
        const QSignalBlocker quiet(box);
        box->clear();
    }

    if (rows > 0)
        lastAndScroll(tag, rw, grid);

    auto press = [&](const char* button) {
        if (auto* b = rw->findChild<QAbstractButton*>(button))
            b->click();
        else
            fault(tag, QString("no button ") + button);
    };
    timed(tag + "New", [&] { press("Button2"); });
    const qint64 top = scalar("Select Max(" + spec.keyColumn + ") From " + spec.table).value_or(0).toLongLong();
    if (rw->controlText(spec.keyControl) != QString::number(top + 1))
        fault(tag + "New", "proposed " + rw->controlText(spec.keyControl) + ", the largest key is " + QString::number(top));

    if (o_.save) {
        const QString key = rw->controlText(spec.keyControl);
        if (cls == "TPart") {
            // A part as a user types it: a name, a part number and a price.
            rw->setControlText("Edit7", "Bench part " + key);
            rw->setControlText("Edit8", "BENCH-" + key);
            rw->setControlText("Edit4", "12.5");
        }
        if (cls == "TTax") {
            // A year the data never reaches, so no invoice changes its rate.
            rw->setControlText("Edit2", "1990");
            rw->setControlText("Edit3", "1");
            rw->setControlText("Edit4", "12");
            rw->setControlText("Edit5", "0");
        }
        dialogs_->answerYes();
        timed(tag + "Save", [&] { press("Button1"); });
        if (scalar("Select Count(*) From " + spec.table + " where " + spec.keyColumn + " =?", {key.toLongLong()})
                .value_or(0)
                .toLongLong() != 1)
            fault(tag + "Save", "no row " + key + " after saving it");
    }
    closeAndFree(w);
}

void Driver::lastAndScroll(const QString& tag, kestrum::records::RecordWindow* rw, QTableView* grid)
{
    kestrum::Query* list = rw->listQuery();
    QAbstractItemModel* m = grid->model();
    grid->setFocus();
    timed(tag + "Last", [&] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); });
    if (grid->currentIndex().row() != m->rowCount() - 1)
        fault(tag + "Last", QString("row %1 current of %2").arg(grid->currentIndex().row()).arg(m->rowCount()));
    // The pages above the last one, each read from the key of the page below it.
    constexpr int Pages = 8, PageRows = 256;
    const QString scroll = tag + "scroll up 256 rows";
    QScrollBar* bar = grid->verticalScrollBar();
    for (int i = 0; i < Pages && bar->value() > 0; ++i)
        timed(scroll, [&] { bar->setValue(std::max(0, bar->value() - PageRows)); });
    // The top row shown is the row at that place of the list read whole in the order shown.
    const int top = grid->rowAt(0);
    const int key = list->fieldIndex(rw->spec().keyColumn);
    const QString sql = list->shownOrderSql();
    if (top < 0 || key < 0 || sql.isEmpty())
        return;
    QSqlQuery q(DM->database());
    q.setForwardOnly(true);
    q.prepare(sql + " Limit 1 Offset ?");
    for (const QVariant& v : list->boundValues())
        q.addBindValue(v);
    q.addBindValue(top);
    const QString shown = list->fieldAt(top, key).AsString();
    if (!q.exec() || !q.next()) {
        fault(scroll, "row " + QString::number(top) + " not read again: " + q.lastError().text());
        return;
    }
    const QString listed = q.value(q.record().indexOf(rw->spec().keyColumn)).toString();
    if (listed != shown)
        fault(scroll, "row " + QString::number(top) + " shows " + shown + ", the list has " + listed);
}

void Driver::invoice(int run)
{
    TInvoice* w = nullptr;
    const auto opened = Clock::now();
    timed("TInvoice open", [&] {
        w = new TInvoice;
        w->resize(1100, 760);
        w->show();
    });
    QTableView* list = w->list();
    // The open invoices are counted after the first page is shown: until when, from the same start.
    untilCounted("TInvoice open", opened, list);
    const int rows = settleRows(list);
    if (rows == 0) {
        fault("TInvoice open", "the list shows no open invoices");
        closeAndFree(w);
        return;
    }
    const int row = (run * 5 + 1) % std::min(rows, 20);
    timed("TInvoice select invoice", [&] { clickAt(list->viewport(), list->visualRect(list->model()->index(row, 0)).center()); });

    // The figures the window shows for the invoice, recomputed here from its rows.
    const QString n = w->number();
    const qint64 no = n.toLongLong();
    const Decimal parts = sum("Select Sum(Amount_Item) From InvItem where Inv_Item =?", {no});
    const Decimal labor = sum("Select Sum(Amount_Labor) From InvLabor where Inv_Labor =?", {no});
    const Decimal paid = sum("Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable =?", {no});
    const QDate date = scalar("Select InvoiceDate_Inv From Invoice where InvoiceNo_Inv =?", {no})
                           .value_or(QVariant())
                           .toDateTime()
                           .date();
    const QVariant taxFlag = scalar("Select Tax_Inv From Invoice where InvoiceNo_Inv =?", {no}).value_or(QVariant());
    const bool taxable = taxFlag.toString() == "1" || taxFlag.toString().compare("true", Qt::CaseInsensitive) == 0 ||
                         taxFlag.toString() == "t";
    Decimal total = parts + labor;
    if (taxable && date.isValid())
        total += parts * sum("Select Tax_T From Tax where Year_T =? and A_T <=? and E_T >=?",
                             {date.year(), date.month(), date.month()});
    if (list->model()->index(row, 0).data().toString() != n)
        fault("TInvoice select invoice", "header shows invoice " + n + ", the row is " +
                                             list->model()->index(row, 0).data().toString());
    if (!near(number(labelText(w, "Label14")), total))
        fault("TInvoice select invoice", "invoice " + n + " total shows '" + labelText(w, "Label14") + "', its lines give " +
                                             total.toString());
    if (!near(number(labelText(w, "Label19")), paid))
        fault("TInvoice select invoice", "invoice " + n + " paid shows '" + labelText(w, "Label19") + "', receivables give " +
                                             paid.toString());

    {
        QTemporaryDir dir;
        const QString pdf = o_.pdfPath.isEmpty() ? dir.filePath("invoice.pdf") : o_.pdfPath;
        int pages = 0;
        timed("TInvoice printout to PDF", [&] {
            ShownReports shown([&](const kestrum::report::PreparedReport& r) {
                QString error;
                if (!r.exportPdf(pdf, &error))
                    fault("TInvoice printout to PDF", error);
            });
            w->findChild<QAbstractButton*>("Button9")->click();
            pages = shown.firstPages();
        });
        if (pages == 0 || pages % 3 != 0 || QFileInfo(pdf).size() == 0)
            fault("TInvoice printout to PDF", QString("%1 pages, %2 bytes of PDF").arg(pages).arg(QFileInfo(pdf).size()));
    }

    timed("TInvItem open", [&] { w->openPartLines(); });
    kestrum::lines::LineEditor* editor = InvItem.data();
    if (!editor) {
        fault("TInvItem open", "no part-line editor");
        closeAndFree(w);
        return;
    }
    if (editor->documentNo() != n)
        fault("TInvItem open", "editor on invoice '" + editor->documentNo() + "', the window shows " + n);

    auto* finder = qobject_cast<kestrum::lines::PickerWindow*>(kestrum::ui::auxWindow("TInvPartFind"));
    const auto finding = Clock::now();
    timed("TInvPartFind open", [&] { editor->showFinder(); });
    untilCounted("TInvPartFind open", finding, finder ? finder->grid() : nullptr);
    const int parts_ = finder ? settleRows(finder->grid()) : 0;
    if (parts_ == 0) {
        fault("TInvPartFind open", "the finder lists no parts");
    } else {
        // The finder lists by part number: its first rows must be in that order.
        const QString a = finder->grid()->model()->index(0, 0).data().toString();
        const QString b = finder->grid()->model()->index(std::min(parts_, 2) - 1, 0).data().toString();
        if (a.compare(b, Qt::CaseInsensitive) > 0)
            fault("TInvPartFind open", "'" + a + "' listed before '" + b + "'");
        // A listed part that has a part number (Save in the parts window may add some without).
        int pick = (run * 3) % std::min(parts_, 20);
        for (int i = 0; i < std::min(parts_, 40); ++i) {
            const int r = (pick + i) % std::min(parts_, 40);
            if (!finder->grid()->model()->index(r, 0).data().toString().isEmpty()) {
                pick = r;
                break;
            }
        }
        const QModelIndex at = finder->grid()->model()->index(pick, 0);
        finder->grid()->scrollTo(at);
        clickAt(finder->grid()->viewport(), finder->grid()->visualRect(at).center());
        finder->selectRow();
    }
    const QString partNo = editor->controlText("Edit4");
    if (partNo.isEmpty() || editor->controlText("Edit5").isEmpty())
        fault("TInvPartFind open", "the part picked left Part No '" + partNo + "' and Rate '" +
                                       editor->controlText("Edit5") + "'");
    editor->setControlText("Edit2", QString::number(run % 4 + 1));
    kestrum::ui::runGuarded(editor, [&] { editor->computeAmount(); });

    if (o_.save && !partNo.isEmpty()) {
        dialogs_->answerYes();
        timed("TInvItem save line", [&] { editor->saveLine(); });
        const auto qty = scalar("Select Qty_Item From InvItem where Inv_Item =? and Color_Item =?", {no, partNo});
        if (!qty || !near(Decimal::fromVariant(*qty), Decimal::fromInt(run % 4 + 1)))
            fault("TInvItem save line", "invoice " + n + " has no line of " + QString::number(run % 4 + 1) + " x " + partNo);
        const Decimal lines = sum("Select Sum(Amount_Item) From InvItem where Inv_Item =?", {no});
        if (!near(number(editor->controlText("Label7")), lines))
            fault("TInvItem save line", "total shows '" + editor->controlText("Label7") + "', the lines give " +
                                            lines.toString());
    }
    timed("TInvItem close", [&] { kestrum::ui::closeWindow(editor); });
    if (finder)
        finder->hide();
    closeAndFree(w);
}

void Driver::report(const QString& cls)
{
    const QString tag = cls + " ";
    if (cls == "TFinishedInvoiceReport" && !o_.save)
        return;  // it refills its work table
    QWidget* w = nullptr;
    timed(tag + "open", [&] {
        w = kestrum::ui::WindowFactory::create(cls);
        if (!w)
            throw std::runtime_error((cls + " is not registered").toStdString());
        w->show();
    });
    auto set = [&](const char* name, const QString& text) {
        if (auto* e = w->findChild<QLineEdit*>(name))
            e->setText(text);
    };
    set("Edit1", kestrum::formatShortDate(QDate(o_.fromYear ? o_.fromYear : o_.year, 1, 1)));
    set("Edit2", kestrum::formatShortDate(QDate(o_.year, 12, 31)));
    if (cls == "TReportItems")
        set("Edit3", partNo_);
    // From Print to the preview showing its first page, and on to the last page laid out (the
    // preview lays out later pages while the user looks; here it is asked for all of them at once).
    int shown = 0, pages = 0;
    bool complete = false;
    const int errorsBefore = int(dialogs_->errors().size());
    const double peak = peakRssMb();
    StatementTrace trace(o_.traceActions, tag + "year's report");
    const auto t0 = Clock::now();
    double firstMs = 0, wholeMs = 0;
    const auto previous = kestrum::report::setPreviewHook([&](kestrum::report::TReportPreview& preview) {
        preview.repaint();
        firstMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        ++shown;
        preview.finishReport();
        wholeMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        pages = preview.report().pageCount();
        complete = preview.complete();
    });
    if (auto* rw = qobject_cast<kestrum::reports::ReportWindow*>(w))
        rw->Print();
    else if (auto* lw = qobject_cast<kestrum::invoicing::InvoiceListWindow*>(w))
        lw->print();
    kestrum::report::setPreviewHook(previous);
    QApplication::processEvents();
    trace.print(wholeMs);
    notePeak(tag + "year's report", peak);
    r_.samples[(tag + "first page shown").toStdString()].push_back(firstMs);
    r_.samples[(tag + "whole report ready").toStdString()].push_back(wholeMs);
    const QStringList errors = dialogs_->errors();
    for (int i = errorsBefore; i < errors.size(); ++i)
        r_.errors << tag + "year's report: " + errors[i];
    if (shown != 1 || pages == 0 || !complete)
        fault(tag + "year's report", QString("%1 reports, %2 pages%3").arg(shown).arg(pages).arg(complete ? "" : ", not complete"));
    closeAndFree(w);
}

void Driver::shop(bool lookUps, bool aging, bool csv)
{
    if (lookUps)
        vehicleLookUps();
    if (aging)
        receivablesAging();
    if (csv)
        invoiceListCsv();
}

void Driver::vehicleLookUps()
{
    // Vehicle look-ups by a VIN and a plate the shop has seen, as a user types them.
    auto* history = new TVehicleHistory;
    history->show();
    const auto vin = scalar("Select Max(Vin_Inv) From Invoice");
    const auto plate = scalar("Select Max(Plate_Inv) From Invoice");
    const std::pair<const char*, std::optional<QVariant>> lookUps[] = {{"Edit1", vin}, {"Edit2", plate}};
    for (const auto& [box, value] : lookUps) {
        if (!value)
            continue;
        const QString action = QString("TVehicleHistory look-up by ") + (QLatin1String(box) == "Edit1" ? "VIN" : "plate");
        for (auto* e : history->findChildren<QLineEdit*>())
            e->clear();
        history->findChild<QLineEdit*>(box)->setText(value->toString().toLower());
        timed(action, [&] { history->find(); });
        if (history->documents()->RecordCount() == 0)
            fault(action, "found nothing for " + value->toString());
    }
    closeAndFree(history);
}

void Driver::receivablesAging()
{
    auto* aging = new TReceivablesAging;
    aging->show();
    aging->findChild<QLineEdit*>("Edit1")->setText(kestrum::formatShortDate(QDate(o_.year, 12, 31)));
    timed("TReceivablesAging as of a date", [&] { aging->showAging(); });
    if (aging->customers()->RecordCount() == 0)
        fault("TReceivablesAging as of a date", "no customer owes anything");
    closeAndFree(aging);
}

void Driver::invoiceListCsv()
{
    // The whole invoice list to a file, as Ctrl+Shift+E writes it.
    auto* invoices = new TInvoice;
    invoices->show();
    invoices->findChild<QRadioButton*>("RadioButton3")->setChecked(true);
    QTemporaryDir dir;
    const QString file = o_.csvPath.isEmpty() ? dir.filePath("invoices.csv") : o_.csvPath;
    timed("TInvoice CSV of the full list", [&] { kestrum::ui::writeGridCsv(invoices->list(), file); });
    const qint64 expected = scalar("Select Count(*) From Invoice").value_or(0).toLongLong();
    QFile written(file);
    qint64 lines = 0;
    if (written.open(QIODevice::ReadOnly)) {
        // A line end may fall across two reads: the last byte of one read goes before the next.
        QByteArray carry;
        while (!written.atEnd()) {
            const QByteArray block = carry + written.read(1 << 20);
            lines += block.count("\r\n");
            carry = block.endsWith('\r') ? QByteArray("\r") : QByteArray();
        }
    }
    if (lines < expected + 1)
        fault("TInvoice CSV of the full list", QString("%1 lines for %2 invoices").arg(lines).arg(expected));
    closeAndFree(invoices);
}

ActionResults runWindowActions(const ActionOptions& options)
{
    if (!DM)
        throw std::logic_error("runWindowActions needs the data module");
    ActionResults results;
    Driver(options, results).run();
    return results;
}

}  // namespace kestrum::bench
