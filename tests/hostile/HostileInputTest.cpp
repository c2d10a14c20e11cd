// Every text box of every window the program registers, fed hostile text, then the window's
// Save: the value is stored exactly as the box holds it or refused with a clear message, no
// statement breaks and no other row of any table changes.
#include "LineEditor.h"
#include "Schema.h"
#include "WindowFactory.h"
#include "WindowTest.h"

#ifdef HAVE_KESTRUM_RECORDS
#include "RecordWindows.h"
#endif
#ifdef HAVE_KESTRUM_INVOICING
#include "InvoicingWindows.h"
#endif
#ifdef HAVE_KESTRUM_PURCHASING
#include "PurchasingWindows.h"
#endif
#ifdef HAVE_KESTRUM_RECEIVABLES
#include "ReceivablesWindows.h"
#endif
#ifdef HAVE_KESTRUM_REPORTS
#include "ReportWindows.h"
#endif

#include <QAbstractSpinBox>
#include <QDate>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

#include <algorithm>

namespace {

using kestrum::ui::WindowFactory;

const QStringList& windowClasses()
{
    static const QStringList names = [] {
#ifdef HAVE_KESTRUM_RECORDS
        kestrum::registerRecordWindows();
#endif
#ifdef HAVE_KESTRUM_INVOICING
        kestrum::registerInvoicingWindows();
#endif
#ifdef HAVE_KESTRUM_PURCHASING
        kestrum::registerPurchasingWindows();
#endif
#ifdef HAVE_KESTRUM_RECEIVABLES
        kestrum::registerReceivablesWindows();
#endif
#ifdef HAVE_KESTRUM_REPORTS
        kestrum::registerReportWindows();
#endif
        QStringList all = WindowFactory::classNames();
        all.sort();
        return all;
    }();
    return names;
}

// The fixed list of hostile texts.
QStringList hostileTexts()
{
    return {
        QStringLiteral("O'Neil's"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("x'; delete from Part;--"),
        QStringLiteral("100%"),
        QStringLiteral("a_b"),
        QStringLiteral("C:\\dir\\new\\"),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("after"),
        QStringLiteral("tab\there\nnext line"),
        QString(10000, u'W'),
        QStringLiteral("Łódź Ελληνικά 日本語 Ñandú"),
        QStringLiteral("  padded  "),
    };
}

// Facts the generic walk cannot find out by itself.
struct WindowFacts {
    QString parent;                      // window that must be open first (line editors)
    QMap<QString, QString> baseline;     // values that make a Save go through
    QStringList notSaved;                // boxes that pick or filter rather than hold a column
};

const QMap<QString, WindowFacts>& facts()
{
    // A line editor works on the document its document window shows (the seeded one).
    const auto line = [](const char* document) { return WindowFacts{QString::fromLatin1(document), {}, {}}; };
    static const QMap<QString, WindowFacts> f = {
        {"TInvoice", {{}, {}, {"Edit11"}}},   // the archive code unlocks a button only
        {"TEstimate", {{}, {}, {"Edit11"}}},
        {"TInvItem", line("TInvoice")},
        {"TInvLabor", line("TInvoice")},
        {"TEstimateItem", line("TEstimate")},
        {"TEstimateLabor", line("TEstimate")},
        {"TBillPart", line("TBill")},
        {"TBillExpense", line("TBill")},
        {"TOrderItem", line("TPoOrder")},
        {"TTax", {{}, {{"Edit2", "2026"}, {"Edit3", "1"}, {"Edit4", "12"}, {"Edit5", "0.0725"}}, {}}},
        {"TReceivable", {{}, {{"Edit1", "1"}}, {}}},
        {"TPayable", {{}, {{"Edit1", "Seed Ref_Bill"}, {"ComboBox1", "Seed Vendor_Bill"}}, {}}},
        {"TPayableOrder", {{}, {{"Edit1", "1"}, {"ComboBox1", "Seed Vendor_Order"}}, {}}},
    };
    return f;
}

using Rows = QList<QStringList>;
using Snapshot = QMap<QString, Rows>;

// A database error box carries the failing query's name (or the transaction step) in front.
bool isDatabaseError(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^(Q[A-Za-z]*[0-9]*|Begin transaction|Commit): "));
    return re.match(text).hasMatch();
}

QString shortText(const QString& s)
{
    QString t = s.left(60);
    t.replace(QChar(0), QStringLiteral("\\0"));
    t.replace(u'\n', QStringLiteral("\\n"));
    t.replace(u'\t', QStringLiteral("\\t"));
    return s.size() > 60 ? t + QStringLiteral("...(%1 chars)").arg(s.size()) : t;
}

class Hostile : public testsupport::WindowTest {
public:
    Hostile(testsupport::Engine engine, QString cls) : engine_(engine), className(std::move(cls)) {}
    void SetUp() override { openDatabase(engine_); }
    void TestBody() override;

protected:
    testsupport::Engine engine_;
    QString className;

    // A row for `t` with a seed value in every column; `overrides` by column name.
    void insertRow(const kestrum::schema::Table& t, const QMap<QString, QVariant>& overrides = {})
    {
        QStringList names, marks;
        QVariantList values;
        for (const kestrum::schema::Column& c : t.columns) {
            names << c.name;
            marks << QStringLiteral("?");
            if (overrides.contains(c.name)) {
                values << overrides.value(c.name);
                continue;
            }
            using T = kestrum::schema::ColumnType;
            switch (c.type) {
            case T::Integer: values << QVariant(qint64(1)); break;
            case T::Number:
            case T::Rate: values << QVariant(1.5); break;
            case T::Date: values << QVariant(QDate::currentDate()); break;
            case T::Boolean: values << QVariant(false); break;
            case T::Text: values << QVariant(QStringLiteral("Seed %1").arg(c.name)); break;
            }
        }
        exec("Insert Into " + t.name + " (" + names.join(',') + ") Values (" + marks.join(',') + ")", values);
    }

    void seed()
    {
        // One row in every table that has none, so that look-ups and lists find something.
        for (const kestrum::schema::Table& t : kestrum::schema::tables())
            if (!t.workTable && count(t.name) == 0)
                insertRow(t);
    }

    // A catalogue row named by every hostile text, so that a line's name box keeps the text
    // (it empties itself for a name the catalogue does not hold) and the look-up is exercised.
    void seedCatalogue(const kestrum::lines::LineSpec& spec)
    {
        const kestrum::lines::Catalogue& c = spec.catalogue;
        const kestrum::schema::Table* t = kestrum::schema::findTable(c.table);
        if (!t || !c.lookUpOnChange)
            return;
        qint64 key = 1000;
        for (const QString& hostile : hostileTexts()) {
            if (hostile.contains(QChar(0)))
                continue;  // cannot be stored at all
            QMap<QString, QVariant> values{{c.nameColumn, hostile}};
            if (!t->key.isEmpty() && t->key != c.nameColumn)
                values.insert(t->key, ++key);
            insertRow(*t, values);
        }
    }

    Rows rowsOf(const QString& table)
    {
        kestrum::Query* q = DM->Q5;
        q->Clear();
        q->Add("Select * From " + table);
        q->Open();
        Rows rows;
        const int n = q->RecordCount();
        for (int r = 0; r < n; ++r) {
            QStringList row;
            for (int c = 0; c < q->FieldCount(); ++c)
                row << (q->fieldAt(r, c).IsNull() ? QStringLiteral("<null>") : q->fieldAt(r, c).AsString());
            rows << row;
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    Snapshot snapshot(const QStringList& only = {})
    {
        Snapshot s;
        // Derived tables follow the saved rows through triggers; their figures are tested on their own.
        for (const kestrum::schema::Table& t : kestrum::schema::tables())
            if (!t.derived && (only.isEmpty() || only.contains(t.name)))
                s.insert(t.name, rowsOf(t.name));
        return s;
    }

    // Row count of every table, in one statement.
    QMap<QString, qint64> counts()
    {
        QStringList parts;
        for (const kestrum::schema::Table& t : kestrum::schema::tables())
            if (!t.derived)
                parts << "Select '" + t.name + "' As T, Count(*) As N From " + t.name;
        kestrum::Query* q = DM->Q5;
        q->Clear();
        q->Add(parts.join(" Union All "));
        q->Open();
        QMap<QString, qint64> n;
        for (int r = 0; r < q->RecordCount(); ++r)
            n.insert(q->fieldAt(r, 0).AsString(), q->fieldAt(r, 1).AsInteger());
        return n;
    }

    static QStringList changedTables(const Snapshot& a, const Snapshot& b)
    {
        QStringList out;
        for (auto it = a.begin(); it != a.end(); ++it)
            if (b.value(it.key()) != it.value())
                out << it.key();
        return out;
    }

    // A save that inserted a new record (rather than updating one) is taken out again by its
    // key, so that the table, and with it every later save and comparison, stays small.
    void dropInserted(const QList<QPair<QString, QStringList>>& added, const QList<QPair<QString, QStringList>>& removed)
    {
        if (added.size() != 1 || !removed.isEmpty())
            return;
        const kestrum::schema::Table* t = kestrum::schema::findTable(added[0].first);
        if (!t || t->key.isEmpty())
            return;
        for (int c = 0; c < t->columns.size(); ++c)
            if (t->columns[c].name == t->key && c < added[0].second.size()) {
                const QString& key = added[0].second[c];
                exec("Delete From " + t->name + " where " + t->key + "=?",
                     {t->columns[c].type == kestrum::schema::ColumnType::Integer ? QVariant(key.toLongLong())
                                                                                 : QVariant(key)});
                return;
            }
    }

    // Rows of `a` not in `b`, per table (as multisets).
    static QList<QPair<QString, QStringList>> minus(const Snapshot& a, const Snapshot& b)
    {
        QList<QPair<QString, QStringList>> out;
        for (auto it = a.begin(); it != a.end(); ++it) {
            Rows other = b.value(it.key());
            for (const QStringList& row : it.value()) {
                const qsizetype i = other.indexOf(row);
                if (i >= 0)
                    other.removeAt(i);
                else
                    out.append({it.key(), row});
            }
        }
        return out;
    }

    void freshDialogs(int answers)
    {
        dialogs_.reset();
        dialogs_ = std::make_unique<kestrum::ui::ScriptedDialogs>();
        dialogs_->answerYes(answers);
    }

    static QString boxText(QWidget* box)
    {
        if (auto* e = qobject_cast<QLineEdit*>(box))
            return e->text();
        if (auto* c = qobject_cast<QComboBox*>(box))
            return c->currentText();
        if (auto* t = qobject_cast<QTextEdit*>(box))
            return t->toPlainText();
        if (auto* p = qobject_cast<QPlainTextEdit*>(box))
            return p->toPlainText();
        return {};
    }

    static void setBox(QWidget* box, const QString& value)
    {
        if (auto* e = qobject_cast<QLineEdit*>(box))
            e->setText(value);
        else if (auto* c = qobject_cast<QComboBox*>(box))
            c->setEditText(value);
        else if (auto* t = qobject_cast<QTextEdit*>(box))
            t->setPlainText(value);
        else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
            p->setPlainText(value);
        else if (auto* l = qobject_cast<QLabel*>(box))
            l->setText(value);
    }

    static QString caption(QWidget* window, QWidget* box)
    {
        for (QLabel* l : window->findChildren<QLabel*>())
            if (l->buddy() == box)
                return l->text();
        return {};
    }

    // The boxes a user can type into, in a fixed order.
    static QList<QWidget*> textBoxes(QWidget* window)
    {
        QList<QWidget*> boxes;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || !w->isEnabled() || !w->isVisibleTo(window))
                continue;
            if (auto* e = qobject_cast<QLineEdit*>(w)) {
                if (e->isReadOnly() || qobject_cast<QComboBox*>(e->parentWidget()) ||
                    qobject_cast<QAbstractSpinBox*>(e->parentWidget()))
                    continue;
            } else if (auto* c = qobject_cast<QComboBox*>(w)) {
                if (!c->isEditable())
                    continue;
            } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
                if (t->isReadOnly())
                    continue;
            } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
                if (p->isReadOnly())
                    continue;
            } else {
                continue;
            }
            boxes << w;
        }
        std::sort(boxes.begin(), boxes.end(),
                  [](QWidget* a, QWidget* b) { return a->objectName() < b->objectName(); });
        return boxes;
    }

    static QAbstractButton* buttonStarting(QWidget* window, const QString& word)
    {
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(window) && b->isEnabled() && b->text().trimmed().startsWith(word, Qt::CaseInsensitive))
                return b;
        return nullptr;
    }

    QWidget* openByName(const QString& name, QWidget* document = nullptr)
    {
        QWidget* w = WindowFactory::create(name);
        if (!w)
            return nullptr;
        windows_.append(w);
        // As the document window does when it opens one of its line editors.
        if (auto* editor = qobject_cast<kestrum::lines::LineEditor*>(w); editor && document)
            editor->setDocument(document);
        w->resize(1100, 700);
        w->show();
        QApplication::setActiveWindow(w);
        QApplication::processEvents();
        return w;
    }

    void prepare(QWidget* w, const WindowFacts& f)
    {
        if (QAbstractButton* n = buttonStarting(w, QStringLiteral("New")))
            n->click();
        for (auto it = f.baseline.begin(); it != f.baseline.end(); ++it)
            if (QWidget* box = w->findChild<QWidget*>(it.key()))
                setBox(box, it.value());
    }
};

void Hostile::TestBody()
{
    const WindowFacts f = facts().value(className);
    seed();
    QWidget* document = nullptr;
    if (!f.parent.isEmpty()) {
        document = openByName(f.parent);
        ASSERT_NE(document, nullptr) << f.parent.toStdString();
    }
    freshDialogs(0);
    QWidget* w = openByName(className, document);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << "opening: " << dialogs_->errors().join(" | ").toStdString();

    WindowFacts facts = f;
    if (auto* editor = qobject_cast<kestrum::lines::LineEditor*>(w)) {
        ASSERT_FALSE(editor->documentNo().isEmpty()) << className.toStdString() << " took no document number";
        const kestrum::lines::Catalogue& c = editor->spec().catalogue;
        if (!c.table.isEmpty())
            facts.baseline.insert(editor->spec().nameControl, "Seed " + c.nameColumn);
        else
            facts.baseline.insert(editor->spec().nameControl, QStringLiteral("Seed line"));
        seedCatalogue(editor->spec());
    }

    QAbstractButton* save = buttonStarting(w, QStringLiteral("Save"));
    const QList<QWidget*> boxes = textBoxes(w);
    const Snapshot start = snapshot();
    // The tables the window's Save writes: compared row by row after each save; the others by
    // their row count, and row by row once at the end.
    QStringList written;
    if (save) {
        // The baseline must save cleanly, or the hostile values would never reach the database.
        prepare(w, facts);
        freshDialogs(3);
        save->click();
        ASSERT_TRUE(dialogs_->errors().isEmpty())
            << className.toStdString() << " baseline save refused: " << dialogs_->errors().join(" | ").toStdString();
        written = changedTables(start, snapshot());
        ASSERT_FALSE(written.isEmpty()) << className.toStdString() << " baseline save wrote nothing";
    }
    int stored = 0, refused = 0;
    for (QWidget* box : boxes) {
        const QString name = box->objectName();
        const QString label = caption(w, box);
        const bool picks = facts.notSaved.contains(name) ||
                           label.contains(QStringLiteral("Search"), Qt::CaseInsensitive) ||
                           label.contains(QStringLiteral("Find"), Qt::CaseInsensitive);
        for (const QString& hostile : hostileTexts()) {
            const std::string where = className.toStdString() + "." + name.toStdString() + " (" +
                                      label.toStdString() + ") <- \"" + shortText(hostile).toStdString() + "\"";
            if (save)
                prepare(w, facts);
            const auto countsBefore = counts();
            const Snapshot before = snapshot(written);
            freshDialogs(save ? 3 : 0);
            setBox(box, hostile);
            QApplication::processEvents();
            const QString held = boxText(box);
            if (save && box->isVisibleTo(w) && w->isVisible())
                save->click();
            QApplication::processEvents();
            for (const QString& e : dialogs_->errors())
                EXPECT_FALSE(isDatabaseError(e)) << where << ": statement broke: " << e.toStdString();
            const auto countsAfter = counts();
            for (auto it = countsBefore.begin(); it != countsBefore.end(); ++it)
                if (!written.contains(it.key())) {
                    EXPECT_EQ(countsAfter.value(it.key()), it.value()) << where << ": rows of " << it.key().toStdString();
                }
            const Snapshot after = snapshot(written);
            const auto removed = minus(before, after);
            const auto added = minus(after, before);
            // A search box may refuse its text while the record's Save still goes through.
            const bool refusedHere = !dialogs_->errors().isEmpty() && !picks;
            if (!save || refusedHere) {
                EXPECT_TRUE(removed.isEmpty() && added.isEmpty())
                    << where << ": rows changed without a save (" << dialogs_->errors().join(" | ").toStdString() << ")";
                refused += refusedHere;
                continue;
            }
            // One row written (insert, or update of the saved row), in one table.
            ASSERT_LE(added.size(), 1) << where << ": more than the saved row changed";
            ASSERT_LE(removed.size(), 1) << where << ": more than the saved row changed";
            if (!removed.isEmpty() && !added.isEmpty()) {
                EXPECT_EQ(removed[0].first, added[0].first) << where;
            }
            if (picks || held.isEmpty()) {
                dropInserted(added, removed);
                continue;
            }
            ASSERT_EQ(added.size(), 1) << where << ": nothing saved and no message";
            EXPECT_TRUE(added[0].second.contains(held))
                << where << ": not stored as the box held it; row " << shortText(added[0].second.join(" | ")).toStdString();
            ++stored;
            dropInserted(added, removed);
        }
    }
    // Nothing outside the written tables changed, updates included.
    const Snapshot end = snapshot();
    for (const QString& table : changedTables(start, end))
        EXPECT_TRUE(written.contains(table)) << className.toStdString() << " changed rows of " << table.toStdString();
    RecordProperty("stored", stored);
    RecordProperty("refused", refused);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    for (testsupport::Engine e : {testsupport::Engine::SQLite, testsupport::Engine::PostgreSQL})
        for (const QString& cls : windowClasses()) {
            const std::string name = testsupport::engineName(e) + "_" + cls.toStdString();
            ::testing::RegisterTest("HostileInput", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                    [e, cls]() -> testsupport::WindowTest* { return new Hostile(e, cls); });
        }
    return RUN_ALL_TESTS();
}
