#pragma once
// What a report reads: rows of named fields. Layouts never touch a query directly, so a report can
// be fed from a pool query (QueryDataSet) or from rows built in memory (MemoryDataSet).
#include "Decimal.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <stdexcept>
#include <vector>

namespace kestrum::report {

/// \brief A layout or data fault found while building a report (unknown field, bad layout).
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// \brief Rows of one dataset as a report sees them.
class ReportDataSet {
public:
    virtual ~ReportDataSet() = default;

    /// Name used in error messages ("frxDBDataset2").
    virtual QString name() const = 0;
    /// Called once at the start of every report build; an adapter takes its snapshot here.
    virtual void prepare() {}
    /// Rows read so far (all of them, for a dataset that reads ahead).
    virtual int rowCount() const = 0;
    /// \brief Whether row `row` exists, reading as far as it when rows are read as needed (the
    /// layout asks row by row, so a report's first page needs only the first rows).
    virtual bool hasRow(int row) { return row >= 0 && row < rowCount(); }
    /// The row a memo outside a data band prints; -1 when there is none.
    virtual int currentRow() const = 0;
    virtual bool hasField(const QString& field) const = 0;
    /// \brief Display text of a field (dates M/d/yyyy, NULL ""). Throws ReportError for an unknown
    /// field; a row outside 0..rowCount-1 gives "".
    virtual QString text(int row, const QString& field) const = 0;
    /// \brief Raw value of a field; same rules as text().
    virtual QVariant value(int row, const QString& field) const = 0;
};

/// \brief One row of a dataset (possibly none: then every field reads empty / zero).
class Row {
public:
    Row() = default;
    Row(const ReportDataSet* set, int row) : set_(set), row_(row) {}

    bool valid() const { return set_ && row_ >= 0 && row_ < set_->rowCount(); }
    int index() const { return row_; }
    const ReportDataSet* dataSet() const { return set_; }

    /// Field text; throws ReportError for an unknown field even when there is no row.
    QString operator[](const QString& field) const { return text(field); }
    QString text(const QString& field) const;
    QVariant value(const QString& field) const;
    /// Exact number of a field (NULL and empty give zero).
    Decimal decimal(const QString& field) const;
    /// Date of a field (a date or date-time value, or short-date text); invalid QDate if none.
    QDate date(const QString& field) const;

private:
    void check(const QString& field) const;
    const ReportDataSet* set_ = nullptr;
    int row_ = -1;
};

/// \brief Rows held in memory: for tests and for reports over figures a window computes itself.
class MemoryDataSet : public ReportDataSet {
public:
    MemoryDataSet(QString name, QStringList fields);

    /// Appends a row; values in field order, missing ones are NULL. Returns its index.
    int addRow(const QVariantList& values);
    void setCurrentRow(int row) { current_ = row; }

    QString name() const override { return name_; }
    int rowCount() const override { return int(rows_.size()); }
    int currentRow() const override;
    bool hasField(const QString& field) const override;
    QString text(int row, const QString& field) const override;
    QVariant value(int row, const QString& field) const override;

private:
    int column(const QString& field) const;
    QString name_;
    QStringList fields_;
    QHash<QString, int> index_;
    std::vector<QVariantList> rows_;
    int current_ = 0;
};

/// Display text of a stored value as the report prints it unformatted: dates M/d/yyyy,
/// Decimals plain, booleans "Yes"/"No", NULL "".
QString displayText(const QVariant& value);

}  // namespace kestrum::report
