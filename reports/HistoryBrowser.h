#pragma once
// The history browsers: small windows with one grid listing the rows of one table that belong to
// the record of the window that opened them. One family, told by a table of members; two kinds of
// host: MDI children made by the opener's button, and the modal start-up windows.
#include "AuxWindow.h"
#include "Grid.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class THistory;
}

namespace kestrum {
class Query;
class QueryModel;
}  // namespace kestrum

namespace kestrum::reports {

/// \brief One member of the family.
struct HistoryMember {
    enum class Kind { Child, Modal };
    enum class Key { Integer, Text };

    QString className;  ///< "TReceivableHistory"
    QString caption;    ///< "ReceivableHistory"
    QString panel;      ///< heading above the grid ("" for none)
    Kind kind = Kind::Child;
    QString queryName;  ///< name of its query in messages ("QReceivable3")
    QString table;
    QString keyColumn;
    Key key = Key::Text;
    QStringList openers;  ///< the window classes whose button opens it
    QString keyControl;   ///< the opener's box holding the key
    /// A second condition from the opener ("" for none): a bill is its reference and its vendor.
    QString alsoColumn;
    QString alsoControl;
    /// The columns listed, in the order the titles name them ("*": the table's own order).
    QString select = QStringLiteral("*");
    QList<ui::GridColumn> columns;
    bool navigator = false;
    bool print = false;
};

/// Every member, in a fixed order.
const std::vector<HistoryMember>& historyMembers();
/// A member by class name, or nullptr.
const HistoryMember* findHistoryMember(const QString& className);

/// \brief The live window of one of `classes` that a history reads its key from: the window in
/// the class's global reference where this module knows it (records, receivables), else the
/// active window or frame child of such a class, else any open one; nullptr when none is open.
QWidget* findOpener(const QStringList& classes);

/// \brief Grid, navigator and printout of one member on a host window.
class HistoryBrowser : public QObject {
    Q_OBJECT
public:
    HistoryBrowser(const HistoryMember& member, QWidget* host);
    ~HistoryBrowser() override;

    const HistoryMember& member() const { return member_; }
    /// The rows it lists. Its own query, not the pool's: another window re-running a pool query
    /// must never change what this grid shows, nor what its delete button removes.
    Query* query() const { return query_; }
    /// The window the key is read from (set by the host before refresh()).
    void setOpener(QWidget* opener) { opener_ = opener; }
    QWidget* opener() const { return opener_; }
    /// The key as the opener shows it now ("" when there is no opener).
    QString key() const;

    /// Rebuilds the statement with the opener's key and lists its rows.
    void refresh();
    /// The navigator's delete: after "Delete record?" removes the current row from the table.
    void deleteCurrent();
    /// "Print" (bank history): the listed rows as a report.
    void print();

private:
    void move(void (Query::*step)());

    const HistoryMember& member_;
    QWidget* host_;
    std::unique_ptr<Ui::THistory> ui_;
    Query* query_;
    QueryModel* model_ = nullptr;
    ui::Grid* grid_ = nullptr;
    QPointer<QWidget> opener_;
};

/// \brief A member opened as a child of the frame: reads its key from the window that was active
/// when it was made, and is freed when closed.
class THistoryChild : public QWidget {
    Q_OBJECT
public:
    explicit THistoryChild(const HistoryMember& member, QWidget* parent = nullptr);
    HistoryBrowser* browser() const { return browser_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistoryBrowser* browser_;
    bool shown_ = false;
};

/// \brief A member created at start-up and shown modally: reads its key at every show, keeps its
/// rows while hidden; Close hides it.
class THistoryModal : public ui::AuxWindow {
    Q_OBJECT
public:
    explicit THistoryModal(const HistoryMember& member, QWidget* parent = nullptr);
    HistoryBrowser* browser() const { return browser_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistoryBrowser* browser_;
};

/// \brief Registers every member with the WindowFactory under its class name.
void registerHistoryWindows();

}  // namespace kestrum::reports
