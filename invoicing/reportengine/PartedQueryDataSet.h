#pragma once
// A long report's rows read in parts. The drivers read a whole result before its first row (SQLite
// with parameters, psqlODBC by default), so one statement over a year's lines keeps the first page
// waiting for the last row and holds every row at once. Here the statement is run once per run of
// consecutive keys (invoice numbers), each part when the layout reaches it: the first page needs
// only the first part, and only the parts around the row being laid out are held.
#include "Field.h"
#include "ReportDataSet.h"

#include <QMetaObject>
#include <QStringList>
#include <QPointer>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace kestrum {
class Query;
}

namespace kestrum::report {

/// \brief The statement a report reads, in the form that can be cut into parts.
struct PartedStatement {
    QString select;        ///< "select ... where <conditions>" without its Order By
    QVariantList values;   ///< values of `select`, in order
    QString keyColumn;     ///< "O.InvoiceNo_Inv": a part is a run of its values
    QString orderBy;       ///< " Order By O.InvoiceNo_Inv": the key first
    /// \brief Optional: later parts read as two narrower statements over the same conditions and
    /// values, so what repeats on every row of a key is read once a key. `headSelect` gives one row a
    /// key, ordered by the key alone (the key its first column: "select O.InvoiceNo_Inv,... where ..."),
    /// `lineSelect` the rest of each row, in the order of `select` (its key first:
    /// "select I.Inv_Item,I.Name_Item,... where ..."). Together they name every field of `select`.
    QString headSelect;
    QString lineSelect;
};

class PartedQueryDataSet : public ReportDataSet {
public:
    /// \brief `keys`: every value of the key column the whole statement can return, ascending
    /// (the ones `orderBy` puts first first) and each once. `first` is the pool query opened on the
    /// first part (open()); later parts are read on queries of the dataset's own.
    PartedQueryDataSet(Query* first, PartedStatement statement, std::vector<QVariant> keys, QString userName);
    ~PartedQueryDataSet() override;
    PartedQueryDataSet(const PartedQueryDataSet&) = delete;
    PartedQueryDataSet& operator=(const PartedQueryDataSet&) = delete;

    /// \brief Sets the first query on the first part and opens it on its first row; when the keys
    /// fit one part, on the whole statement as it stands.
    void open();

    /// Keys a part holds: the first part (small, so the first page comes at once) and the others.
    static void setPartSizes(int firstPart, int laterParts);
    static int firstPartSize();
    static int laterPartSize();
    /// Statements run so far for later parts (tests see that a report really was read in parts).
    int partsRead() const { return partsRead_; }
    /// \brief Whether later parts read as heads and lines are read ahead, on a connection of the
    /// dataset's own in a thread of its own, while the layout works on the part before (on by
    /// default; tests compare both ways). Without a second connection they are read when needed.
    static void setReadAhead(bool on);
    /// Parts that came from the reading ahead (tests see that it really was used).
    int partsReadAhead() const { return partsReadAhead_; }

    QString name() const override { return name_; }
    void prepare() override;
    int rowCount() const override { return rowsKnown_; }
    bool hasRow(int row) override;
    int currentRow() const override;
    bool hasField(const QString& field) const override;
    /// Rows of parts no longer held read as a ReportError (the layout never goes back that far).
    QString text(int row, const QString& field) const override;
    QVariant value(int row, const QString& field) const override;

    /// A part read as heads and lines, held as plain values (it may be read on another thread).
    struct SplitRows {
        QStringList lineNames, headNames;
        std::vector<QVariant> lines, heads;  // row by row
        std::vector<int> headOf;             // each line's row of `heads`
        int rows() const { return int(headOf.size()); }
    };
    class Reader;

private:
    struct Part {
        Query* query = nullptr;  // the rows of `select` (none when `split` holds them)
        int firstRow = 0;        // of the whole result
        std::shared_ptr<const SplitRows> split;
        int rows() const;
    };
    // A field's place in a part read as two statements: a column of the lines or of the heads.
    struct SplitColumn {
        int column = -1;
        bool head = false;
    };
    SplitColumn splitColumn(const Part& part, const QString& field) const;
    std::shared_ptr<const SplitRows> readSplitPart(size_t from, size_t to);
    void readAhead();
    std::pair<size_t, size_t> nextRange() const;  // keys of the next part: [first, end)
    bool split() const;
    const Part* partOf(int row) const;
    const Part* locate(int row, const QString& field, int* col) const;
    Field cell(int row, const QString& field) const;
    int column(const QString& field) const;
    bool readNextPart();  // false once every key is read
    bool fetchTail(int row);

    QPointer<Query> first_;
    PartedStatement statement_;
    std::vector<QVariant> keys_;
    QString name_;
    std::unique_ptr<Query> spare_[2];  // later parts alternate between these two
    std::unique_ptr<Reader> reader_;   // reads the next part ahead
    std::pair<size_t, size_t> ahead_{0, 0};  // the keys it was asked for (none when empty)
    int partsReadAhead_ = 0;
    std::vector<Part> held_;            // the first part and up to two later ones
    size_t nextKey_ = 0;                // first key of the next part
    int rowsKnown_ = 0;
    int partsRead_ = 0;
    bool watching_ = false;
    bool replaced_ = false;
    QMetaObject::Connection reloaded_;
    mutable std::vector<std::pair<QString, int>> columns_;  // the few fields a layout reads
    mutable std::vector<std::pair<QString, SplitColumn>> splitColumns_;
};

}  // namespace kestrum::report
