#pragma once
// The names of a catalogue (every part, every labor job) as a list model that reads them a page
// at a time as a combo box scrolls or searches, so a line editor opens at once on a catalogue
// of 100,000 parts. Pages are read by key ("where key > last Order By key Limit n"): each page
// is a short statement that is done when read, so no cursor stays open between pages.
#include <QAbstractListModel>
#include <QStringList>
#include <QVariant>

namespace kestrum {
class Query;
}

namespace kestrum::lines {

class NameList : public QAbstractListModel {
    Q_OBJECT
public:
    /// `keyColumn` empty: the table has no key to page by, and the first read takes every name.
    NameList(Query* query, QString table, QString nameColumn, QString keyColumn, QObject* parent = nullptr);

    /// Forgets what was read; the first page is read again (rows as the table has them now).
    void reload();
    /// \brief Index of the first name that starts with `prefix` (ignoring case), reading pages
    /// until one does; invalid when none does.
    QModelIndex firstStartingWith(const QString& prefix);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;
    /// Searches the names not read yet too, so findText finds any name of the catalogue.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

    static constexpr int PageRows = 256;

private:
    bool readPage(int rows);  // false when the table has no more names

    Query* query_;
    QString table_;
    QString nameColumn_;
    QString keyColumn_;
    QStringList names_;
    QVariant lastKey_;
    bool done_ = false;
};

}  // namespace kestrum::lines
