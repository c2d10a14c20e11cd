#include "WindowTest.h"

#include "Schema.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace testsupport {

void createSchema(const std::string& connection)
{
    {
        QSqlDatabase setup = QSqlDatabase::addDatabase("QODBC", "window-test-setup");
        setup.setDatabaseName(QString::fromStdString(connection));
        ASSERT_TRUE(setup.open()) << setup.lastError().text().toStdString();
        kestrum::schema::createDatabase(setup);
        setup.close();
    }
    QSqlDatabase::removeDatabase("window-test-setup");
}

void settle(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void WindowTest::SetUp()
{
    openDatabase(GetParam());
}

void WindowTest::openDatabase(testsupport::Engine engine)
{
    TESTSUPPORT_REQUIRE_ENGINE(engine);
    db_ = std::make_unique<testsupport::TestDatabase>(engine);
    const QString conn = QString::fromStdString(db_->kestrumConnection());
    createSchema(db_->kestrumConnection());
    dm_ = std::make_unique<TDM>(conn);
    DM = dm_.get();
    dialogs_ = std::make_unique<kestrum::ui::ScriptedDialogs>();
}

void WindowTest::TearDown()
{
    for (const QPointer<QWidget>& w : windows_)
        delete w.data();
    windows_.clear();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dialogs_.reset();
    DM = nullptr;
    dm_.reset();
    db_.reset();
}

void WindowTest::exec(const QString& sql, const QVariantList& values)
{
    kestrum::Query* q = DM->Q5;
    q->Clear();
    q->Add(sql);
    for (const QVariant& v : values)
        q->Bind(v);
    q->ExecSQL();
}

QString WindowTest::scalar(const QString& sql, const QVariantList& values)
{
    kestrum::Query* q = DM->Q5;
    q->Clear();
    q->Add(sql);
    for (const QVariant& v : values)
        q->Bind(v);
    q->Open();
    if (q->RecordCount() == 0)
        return {};
    return q->fieldAt(0, 0).AsString();
}

int WindowTest::count(const QString& table)
{
    return scalar("Select Count(*) From " + table).toInt();
}

QWidget* WindowTest::find(QWidget* w, const QString& name)
{
    QWidget* c = w->findChild<QWidget*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}

void WindowTest::setText(QWidget* w, const QString& control, const QString& value)
{
    QWidget* c = find(w, control);
    if (auto* e = qobject_cast<QLineEdit*>(c))
        e->setText(value);
    else if (auto* combo = qobject_cast<QComboBox*>(c))
        combo->setEditText(value);
}

QString WindowTest::text(QWidget* w, const QString& control)
{
    QWidget* c = find(w, control);
    if (auto* e = qobject_cast<QLineEdit*>(c))
        return e->text();
    if (auto* combo = qobject_cast<QComboBox*>(c))
        return combo->currentText();
    if (auto* l = qobject_cast<QLabel*>(c))
        return l->text();
    return {};
}

void WindowTest::click(QWidget* w, const QString& button)
{
    auto* b = qobject_cast<QAbstractButton*>(find(w, button));
    ASSERT_NE(b, nullptr);
    b->click();
}

void WindowTest::clickTitle(QTableView* grid, int section)
{
    QHeaderView* h = grid->horizontalHeader();
    const QPoint at(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
}

void WindowTest::clickRow(QTableView* grid, int row)
{
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
}

}  // namespace testsupport
