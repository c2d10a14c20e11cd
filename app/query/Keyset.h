#pragma once
// Statements that read a list a page at a time by key: the list's own select, wrapped, ordered by
// its sort plus the table's key, and limited to a page; seeks go forward or backward from one row.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kestrum {

struct SortTerm {
    QString column;
    bool descending = false;
    bool nullsFirst = true;
};

/// What a list's table offers for paging: its unique key and its columns in stored order.
struct TableHint {
    QString key;          // "" when no column is unique
    QStringList columns;  // what "Select *" returns
    QStringList indexLeads;  // columns that lead one of its indexes
    // Text columns whose order PostgreSQL also keeps as folded text, and how that reads: the
    // lists order, seek and count by the expression there, which compares like the column itself.
    QStringList folded{};
    QString (*foldedExpression)(const QString& alias, const QString& column) = nullptr;
};
using TableHintFunction = TableHint (*)(const QString& table);

class KeysetPlan {
public:
    /// \brief A plan for `sql` when it is a plain select over one table whose key is among the
    /// selected columns and whose Order By names selected columns only; otherwise nothing (the list
    /// is then read whole). `nullsFirstAscending`: the engine's own place for NULLs, used for terms
    /// that do not say it (SQLite puts them first, PostgreSQL last).
    /// `foldCase`: the engine keeps the table's folded columns' orders (TableHint::folded).
    /// `pairRanges`: the engine starts an index at a (value, key) pair compared as one row value.
    static std::optional<KeysetPlan> make(const QString& sql, TableHintFunction tables, bool nullsFirstAscending,
                                          bool foldCase = false, bool pairRanges = false);

    const QString& key() const { return key_; }
    const QList<SortTerm>& terms() const { return terms_; }  // ends with the key
    /// \brief The same list sorted by `column` first (NULLs first), the present order breaking ties.
    /// False when `column` is not selected.
    bool sortFirstBy(const QString& column);
    bool selects(const QString& column) const;
    /// How the list compares `column` of the row `alias`: the column, or its folded expression.
    QString sortValue(const QString& alias, const QString& column) const;
    /// Whether the list compares `column` as folded text (its values then bound through foldedValue).
    bool folds(const QString& column) const;
    /// A placeholder compared with a folded column: the value folded as the database folds it.
    static QString foldedValue() { return QStringLiteral("Lower(Cast(? As Text))"); }

    // Statements; the placeholders come in the order given, `values` meaning the list's own.
    /// Count(*) of the list: values.
    QString countSql() const;
    /// The list in its order, every row: values.
    QString orderedSql() const;
    /// First rows (or last rows when `fromEnd`, in reverse order): values, limit.
    QString edgeSql(bool fromEnd) const;
    /// Rows by position: values, limit, offset.
    QString offsetSql() const;
    /// Rows after one row (or before it, nearest first); `including` it: values, key (when
    /// seekReadsRow), values, then rangeLookups() times values, key, then limit.
    /// `leadNull`: whether that row's value in the first sort column is NULL. The seek keeps to that
    /// row's side of the NULLs, so an index on the column answers it; when seekLeavesRest says so,
    /// the rows beyond come from restSql.
    QString seekSql(bool backward, bool including, bool leadNull) const;
    bool seekLeavesRest(bool backward, bool leadNull) const;
    /// How often a seek's range looks the row up again (values, key each time).
    int rangeLookups(bool leadNull) const;
    /// Whether a seek reads the row's sort values first (its first values, key).
    bool seekReadsRow() const;
    /// The rows a seek left on the other side of the NULLs, in its order: values, limit.
    QString restSql(bool backward, bool leadNull) const;
    /// One row's values in the sort columns (none when no row has the key): values, key.
    QString boundarySql() const;
    /// How many rows come before the row with a key, given which of its sort values are NULL (as
    /// boundarySql read them): values `repeats` times, then values, key. A sum of counts that each
    /// an index on the sort column answers by a range.
    QString positionSql(const QList<bool>& nulls, int* repeats) const;
    /// The same position and the list's Count(*) in one row: values `repeats` times, values, then
    /// values, key.
    QString placeSql(const QList<bool>& nulls, int* repeats) const;
    /// The key of the first row whose `condition` (on t.<column>, with its own placeholders) holds:
    /// values, the condition's values.
    QString firstKeySql(const QString& condition) const;

private:
    QString orderBy(bool reversed) const;
    QString positionTerms(const QList<bool>& nulls, int* repeats) const;  // the sum of positionSql
    QString afterPredicate(bool reversed) const;  // rows of t after row b
    QString leadRange(bool reversed, bool leadNull, bool including) const;
    bool leadIsKey() const;
    bool pairRange() const;  // seeks range over the value and the key together

    QString base_;  // the statement without its Order By
    QString key_;
    QStringList selected_;  // column names the statement returns (lower case)
    QList<SortTerm> terms_;
    QStringList folded_;  // lower case
    bool pairRanges_ = false;
    QString (*foldedExpression_)(const QString& alias, const QString& column) = nullptr;
};

}  // namespace kestrum
