// "Export to CSV…" of a record grid on both engines: what the grid shows, in its sort, read back
// by an independent CSV parser; long lists streamed without loading them; a stopped export
// leaves nothing behind.
#include "CsvExport.h"
#include "DataModule.h"
#include "Decimal.h"
#include "Query.h"
#include "QueryModel.h"
#include "RecordsFixture.h"
#include "TCustomer.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <csv.h>

namespace {

using Table = std::vector<std::vector<std::string>>;

// Reads a CSV file with libcsv in strict RFC 4180 mode.
Table readCsv(const QString& path)
{
    struct State {
        Table rows;
        std::vector<std::string> row;
    } state;
    csv_parser p;
    EXPECT_EQ(csv_init(&p, CSV_STRICT | CSV_STRICT_FINI), 0);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    auto field = [](void* s, size_t n, void* data) {
        static_cast<State*>(data)->row.emplace_back(static_cast<const char*>(s), n);
    };
    auto end = [](int, void* data) {
        auto* st = static_cast<State*>(data);
        st->rows.push_back(std::move(st->row));
        st->row.clear();
    };
    EXPECT_EQ(csv_parse(&p, bytes.constData(), size_t(bytes.size()), field, end, &state), size_t(bytes.size()))
        << csv_strerror(csv_error(&p));
    csv_fini(&p, field, end, &state);
    csv_free(&p);
    return state.rows;
}

// The grid as it shows: titles, then every row's texts, in view order.
Table shown(QTableView* grid)
{
    QAbstractItemModel* m = grid->model();
    while (m->canFetchMore({}))
        m->fetchMore({});
    // Hidden columns (the row version) are not shown.
    std::vector<int> columns;
    for (int v = 0; v < m->columnCount(); ++v) {
        const int c = grid->horizontalHeader()->logicalIndex(v);
        if (!grid->isColumnHidden(c))
            columns.push_back(c);
    }
    Table t(1);
    for (int c : columns)
        t[0].push_back(m->headerData(c, Qt::Horizontal).toString().toStdString());
    for (int r = 0; r < m->rowCount(); ++r) {
        t.emplace_back();
        for (int c : columns)
            t.back().push_back(m->data(m->index(r, c)).toString().toStdString());
    }
    return t;
}

class CsvExportTest : public RecordsTest {
protected:
    void SetUp() override
    {
        RecordsTest::SetUp();
        previous_ = kestrum::ui::setCsvFileChooser([this](QWidget*, const QString&) { return file_; });
    }
    void TearDown() override
    {
        kestrum::ui::setCsvFileChooser(previous_);
        RecordsTest::TearDown();
    }
    void addCustomer(int id, const QString& name, const QString& city)
    {
        exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer) Values (?, ?, ?)", {id, name, city});
    }
    QTemporaryDir dir_;
    QString file_;
    kestrum::ui::CsvFileChooser previous_;
};

}  // namespace

TEST_P(CsvExportTest, SortedGridWithCommasQuotesAndLineBreaksReadsBackEqualToTheGrid)
{
    const QString awkward = "Smith, \"Bud\"\nand Sons";
    addCustomer(1, "Zephyr Towing", "Modesto");
    addCustomer(2, awkward, "Turlock, CA");
    addCustomer(3, "  Ávila Garage", "Ceres");
    addCustomer(4, "Brook's Fleet", "");
    TCustomer* w = open<TCustomer>();
    QTableView* grid = w->grid();
    clickTitle(grid, 1);  // by name
    ASSERT_EQ(grid->model()->data(grid->model()->index(0, 1)).toString(), "  Ávila Garage");

    file_ = dir_.filePath("customers.csv");
    QAction* action = nullptr;
    for (QAction* a : grid->actions())
        if (a->text() == QStringLiteral("Export to CSV…"))
            action = a;
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    EXPECT_EQ(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QFile::exists(file_)) << "Ctrl+Shift+E wrote no file";
    EXPECT_TRUE(dialogs_->errors().isEmpty());

    const Table csv = readCsv(file_);
    EXPECT_EQ(csv, shown(grid));
    ASSERT_EQ(csv.size(), 5u);
    EXPECT_EQ(csv[0][1], "Name");
    EXPECT_EQ(csv[3][1], awkward.toStdString());
    EXPECT_EQ(csv[3][5], "Turlock, CA");
    QFile raw(file_);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("\"Smith, \"\"Bud\"\"\nand Sons\""));  // RFC 4180 quoting, UTF-8
}

TEST_P(CsvExportTest, ALongListStreamsWhatTheGridHasNotReadAndAStoppedExportLeavesNothing)
{
    QSqlDatabase db = DM->database();
    ASSERT_TRUE(db.transaction());  // one commit, not 1,500
    for (int i = 1; i <= 1500; ++i)
        addCustomer(i, QStringLiteral("Customer %1").arg(i, 4, 10, QChar('0')), "Ceres");
    ASSERT_TRUE(db.commit());
    TCustomer* w = open<TCustomer>();
    QTableView* grid = w->grid();
    // The list holds only the pages it showed (the row count is the whole list's).
    kestrum::Query* list = qobject_cast<kestrum::QueryModel*>(grid->model())->query();
    const int before = list->heldRows();
    ASSERT_LT(before, 1500);

    file_ = dir_.filePath("all.csv");
    qint64 lastProgress = 0;
    EXPECT_EQ(kestrum::ui::writeGridCsv(grid, file_, [&](qint64 rows) { return (lastProgress = rows), true; }),
              kestrum::ui::CsvResult::Written);
    EXPECT_EQ(lastProgress, 1500);
    EXPECT_EQ(list->heldRows(), before);  // nothing was loaded into the list
    const Table csv = readCsv(file_);
    ASSERT_EQ(csv.size(), 1501u);
    std::set<std::string> names;
    for (size_t r = 1; r < csv.size(); ++r)
        names.insert(csv[r][1]);
    EXPECT_EQ(names.size(), 1500u);
    EXPECT_EQ(*names.begin(), "Customer 0001");

    // Stopped half-way: the file that was there stays as it was, and no other file appears.
    QFile keep(file_);
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    const QByteArray old = keep.readAll();
    keep.close();
    exec("Update Customer Set City_Customer = 'Changed'");
    EXPECT_EQ(kestrum::ui::writeGridCsv(grid, file_, [](qint64 rows) { return rows < 1000; }),
              kestrum::ui::CsvResult::Cancelled);
    ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
    EXPECT_EQ(keep.readAll(), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"all.csv"});
}

TEST_P(CsvExportTest, TheProgressDialogsCancelButtonStopsTheExportAndLeavesNoFile)
{
    QSqlDatabase db = DM->database();
    ASSERT_TRUE(db.transaction());
    for (int i = 1; i <= 1500; ++i)
        addCustomer(i, QStringLiteral("Customer %1").arg(i, 4, 10, QChar('0')), "Ceres");
    ASSERT_TRUE(db.commit());
    TCustomer* w = open<TCustomer>();
    QTableView* grid = w->grid();
    file_ = dir_.filePath("cancelled.csv");

    // The first time the export lets events through, the user presses the dialog's Cancel.
    bool pressed = false;
    QTimer::singleShot(0, w, [&] {
        auto* dialog = grid->window()->findChild<QProgressDialog*>();
        ASSERT_NE(dialog, nullptr) << "no progress dialog while exporting";
        dialog->show();  // as it is once the export has run a moment
        QPushButton* cancel = nullptr;
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Cancel"))
                cancel = b;
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
        pressed = true;
    });
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(QFile::exists(file_));
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());  // no temporary file left either
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    EXPECT_EQ(grid->window()->findChild<QProgressDialog*>(), nullptr);  // gone with the export

    // Not pressed: the same export writes the whole list.
    QApplication::setActiveWindow(grid->window());
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(readCsv(file_).size(), 1501u);
}

TEST_P(CsvExportTest, EveryKindOfValueIsWrittenAsItsOwnTextAndQuotedAsAFieldIs)
{
    // Numbers, dates, booleans, empty values and awkward texts (quotes, commas, line breaks, blanks
    // at either end, text outside ASCII): the file holds exactly csvField(csvText(value)) per value.
    const QDateTime midnight(QDate(2024, 3, 5), QTime(0, 0)), afternoon(QDate(2024, 3, 5), QTime(14, 7, 9));
    auto money = [](const char* text) { return QVariant::fromValue(*kestrum::Decimal::parse(text)); };
    const QString insert = "Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, "
                           "Paid_Inv, Remark_Inv) Values (?, ?, ?, ?, ?, ?)";
    exec(insert, {1, "Plain Garage", midnight, money("4753.02"), false, QVariant()});
    exec(insert, {2, "Smith, \"Bud\"\r\nand Sons", afternoon, money("-0.07"), true, " padded"});
    exec(insert, {3, QString::fromUtf8("Ávila Garage"), QVariant(), money("0"), QVariant(), "tab\t"});
    exec(insert, {4, QString::fromUtf8("Café, \"Ñ\""), midnight, money("1234567.123456"), true,
                  QString::fromUtf8("ends in a no-break space\u00a0")});
    exec(insert, {5, QString::fromUtf8("\U0001F69A Fleet"), afternoon, money("12"), false, ""});
    // Values longer than a row block's slot (256 bytes), with two-byte characters across its end,
    // in consecutive rows of one column; a time of day with milliseconds.
    const QString longName = QString(127, u'a') + QString(200, QChar(0xe9)) + QStringLiteral(", end ");
    const QDateTime fraction(QDate(2024, 3, 5), QTime(9, 8, 7, 250));
    exec(insert, {6, longName, fraction, money("0.5"), true, QString(300, u'"')});
    exec(insert, {7, QStringLiteral(" ") + longName, midnight, money("-12.125"), false, QString(5000, u'x')});

    for (const bool paged : {false, true}) {
        kestrum::Query q(DM->database(), "QInvoiceCsv");
        q.setPaged(paged);
        q.setStatement("Select InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Paid_Inv, Remark_Inv "
                       "From Invoice Order By InvoiceNo_Inv");
        q.Open();
        ASSERT_EQ(q.paged(), paged);
        kestrum::QueryModel model(&q);
        QTableView grid;
        grid.setModel(&model);
        file_ = dir_.filePath(paged ? "paged.csv" : "whole.csv");
        ASSERT_EQ(kestrum::ui::writeGridCsv(&grid, file_), kestrum::ui::CsvResult::Written);

        QString expected;
        for (int c = 0; c < model.columnCount(); ++c)
            expected += (c ? "," : "") + kestrum::ui::csvField(model.headerData(c, Qt::Horizontal).toString());
        expected += "\r\n";
        for (int r = 0; r < q.RecordCount(); ++r) {
            for (int c = 0; c < q.FieldCount(); ++c)
                expected += (c ? "," : "") + kestrum::ui::csvField(kestrum::ui::csvText(q.fieldAt(r, c).AsVariant()));
            expected += "\r\n";
        }
        QFile f(file_);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        EXPECT_EQ(written, expected.toUtf8()) << (paged ? "paged" : "whole");
        const QList<QByteArray> lines = written.split('\n');
        ASSERT_GE(lines.size(), 7);
        EXPECT_EQ(lines[1], "1,Plain Garage,2024-03-05,4753.02,No,\r");
        EXPECT_EQ(lines[2], "2,\"Smith, \"\"Bud\"\"\r");
        EXPECT_EQ(lines[3], "and Sons\",2024-03-05T14:07:09,-0.07,Yes,\" padded\"\r");
        EXPECT_EQ(lines[4], QString::fromUtf8("3,Ávila Garage,,0,,\"tab\t\"\r").toUtf8());
        EXPECT_EQ(lines[5], QString::fromUtf8("4,\"Café, \"\"Ñ\"\"\",2024-03-05,1234567.123456,Yes,"
                                              "\"ends in a no-break space\u00a0\"\r").toUtf8());
        EXPECT_EQ(lines[6], QString::fromUtf8("5,\U0001F69A Fleet,2024-03-05T14:07:09,12,No,\r").toUtf8());
        ASSERT_GE(lines.size(), 9);
        EXPECT_EQ(lines[7], "6,\"" + longName.toUtf8() + "\",2024-03-05T09:08:07,0.5,Yes,\"" + QByteArray(600, '"') +
                                "\"\r");
        EXPECT_EQ(lines[8], "7,\" " + longName.toUtf8() + "\",2024-03-05,-12.125,No," + QByteArray(5000, 'x') + "\r");
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CsvExportTest, TESTSUPPORT_ENGINES);
