#include "PartedQueryDataSet.h"

#include "Query.h"

#include <algorithm>

namespace kestrum::report {

namespace {
// A year's first page needs a few dozen rows; later parts grow to a size whose statement costs
// little beside laying out its rows, while two of them stay a few megabytes.
int firstPartKeys = 32;
int laterPartKeys = 1024;
}  // namespace

void PartedQueryDataSet::setPartSizes(int firstPart, int laterParts) {
    firstPartKeys = std::max(1, firstPart);
    laterPartKeys = std::max(1, laterParts);
}
int PartedQueryDataSet::firstPartSize() { return firstPartKeys; }
int PartedQueryDataSet::laterPartSize() { return laterPartKeys; }

PartedQueryDataSet::PartedQueryDataSet(Query* first, PartedStatement statement, std::vector<QVariant> keys,
                                       QString userName)
    : first_(first), statement_(std::move(statement)), keys_(std::move(keys)), name_(std::move(userName)) {
    if (first_)
        reloaded_ = QObject::connect(first_, &Query::reloaded, [this] {
            columns_.clear();
            replaced_ = watching_;
        });
}

PartedQueryDataSet::~PartedQueryDataSet() { QObject::disconnect(reloaded_); }

namespace {
QString rangeSql(const PartedStatement& s, const QString& select, const QString& orderBy) {
    return select + QStringLiteral(" And ") + s.keyColumn + QStringLiteral(" Between ? And ?") + orderBy;
}
QString rangeSql(const PartedStatement& s) { return rangeSql(s, s.select, s.orderBy); }
// The key of a line and of its head, read from two tables whose columns may differ in type.
bool sameKey(const QVariant& a, const QVariant& b) { return a == b || a.toString() == b.toString(); }
QVariantList rangeValues(const PartedStatement& s, const QVariant& from, const QVariant& to) {
    QVariantList values = s.values;
    values << from << to;
    return values;
}
}  // namespace

void PartedQueryDataSet::open() {
    if (!first_)
        return;
    const size_t firstKeys = std::min(keys_.size(), size_t(firstPartKeys));
    if (firstKeys == keys_.size())
        first_->setStatement(statement_.select + statement_.orderBy, statement_.values);
    else
        first_->setStatement(rangeSql(statement_), rangeValues(statement_, keys_.front(), keys_[firstKeys - 1]));
    first_->Open();
    first_->First();
}

void PartedQueryDataSet::prepare() {
    replaced_ = false;
    watching_ = first_ && first_->Active();
    held_.clear();
    partsRead_ = 0;
    rowsKnown_ = 0;
    nextKey_ = std::min(keys_.size(), size_t(firstPartKeys));
    if (watching_) {
        held_.push_back(Part{first_.data(), 0});
        rowsKnown_ = first_->fetchedCount();
    }
}

bool PartedQueryDataSet::fetchTail(int row) {
    Query* q = held_.back().query;
    if (!q->canFetchMore())
        return false;
    const int got = q->fetchMore(std::max(256, row + 1 - rowsKnown_));
    rowsKnown_ = held_.back().firstRow + q->fetchedCount();
    return got > 0;
}

bool PartedQueryDataSet::readNextPart() {
    if (nextKey_ >= keys_.size())
        return false;
    // Parts grow from the first one's size, so a short report costs few statements.
    const size_t size = size_t(std::min<qint64>(laterPartKeys, qint64(firstPartKeys) << std::min(partsRead_ + 1, 20)));
    const size_t end = std::min(keys_.size(), nextKey_ + size);
    const size_t slot = size_t(partsRead_ % 2);
    std::unique_ptr<Query>& q = spare_[slot];
    if (!q)
        q = std::make_unique<Query>(first_->database(), first_->Name() + QStringLiteral(" (part)"));
    // The part read two parts ago is on this query: it is no longer held.
    if (held_.size() == 3)
        held_.erase(held_.begin() + 1);
    if (!statement_.headSelect.isEmpty() && !statement_.lineSelect.isEmpty()) {
        readSplitPart(slot, keys_[nextKey_], keys_[end - 1]);
    } else {
        q->setStatement(rangeSql(statement_), rangeValues(statement_, keys_[nextKey_], keys_[end - 1]));
        q->Open();
        held_.push_back(Part{q.get(), rowsKnown_, nullptr, {}});
    }
    rowsKnown_ += held_.back().query->fetchedCount();
    nextKey_ = end;
    ++partsRead_;
    return true;
}

// The lines and the heads of one run of keys, each read whole (a part is bounded), and each line
// matched to its key's head: both come in key order.
void PartedQueryDataSet::readSplitPart(size_t slot, const QVariant& from, const QVariant& to) {
    Query* lines = spare_[slot].get();
    std::unique_ptr<Query>& head = spareHeads_[slot];
    if (!head)
        head = std::make_unique<Query>(first_->database(), first_->Name() + QStringLiteral(" (part heads)"));
    // One head a key: the key alone orders them (the rest of the order may name the lines' table).
    head->setStatement(rangeSql(statement_, statement_.headSelect, QStringLiteral(" Order By ") + statement_.keyColumn),
                       rangeValues(statement_, from, to));
    head->Open();
    const int heads = head->RecordCount();
    lines->setStatement(rangeSql(statement_, statement_.lineSelect, statement_.orderBy), rangeValues(statement_, from, to));
    lines->Open();
    const int rows = lines->RecordCount();
    Part part{lines, rowsKnown_, head.get(), {}};
    part.headOf.reserve(size_t(rows));
    int h = 0;
    for (int r = 0; r < rows; ++r) {
        const QVariant key = lines->fieldAt(r, 0).AsVariant();
        while (h < heads && !sameKey(head->fieldAt(h, 0).AsVariant(), key))
            ++h;
        // A head deleted between the two statements: the rows are not what one statement gives.
        if (h == heads)
            throw ReportError(QStringLiteral("The rows of %1 changed while the report was laid out; run it again.").arg(name()));
        part.headOf.push_back(h);
    }
    held_.push_back(std::move(part));
}

bool PartedQueryDataSet::hasRow(int row) {
    if (watching_ && (replaced_ || !first_ || !first_->Active()))
        throw ReportError(QStringLiteral("The rows of %1 changed while the report was laid out; run it again.").arg(name()));
    if (row < 0 || !watching_)
        return false;
    // A part may hold no rows (its invoices have no lines): read on until one has.
    while (row >= rowsKnown_)
        if (!fetchTail(row) && !readNextPart())
            return false;
    return true;
}

int PartedQueryDataSet::currentRow() const { return first_ && first_->Active() ? first_->RecNo() : -1; }

const PartedQueryDataSet::Part* PartedQueryDataSet::partOf(int row) const {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it)
        if (row >= it->firstRow)
            return row < it->firstRow + it->query->fetchedCount() ? &*it : nullptr;
    return nullptr;
}

namespace {
// Layouts ask with the field names they hold: the same strings, so the address answers first.
template <typename T>
const T* cached(const std::vector<std::pair<QString, T>>& cache, const QString& field) {
    for (const auto& [name, col] : cache)
        if (name.constData() == field.constData() && name.size() == field.size())
            return &col;
    for (const auto& [name, col] : cache)
        if (name == field)
            return &col;
    return nullptr;
}
}  // namespace

int PartedQueryDataSet::column(const QString& field) const {
    if (const int* known = cached(columns_, field))
        return *known;
    const int col = first_ && first_->Active() ? first_->fieldIndex(field) : -1;
    if (col >= 0)
        columns_.emplace_back(field, col);
    return col;
}

bool PartedQueryDataSet::hasField(const QString& field) const {
    if (!first_ || !first_->Active())
        return true;
    return column(field) >= 0;
}

// The part holding `row` and the field's column; none for a row outside the result.
const PartedQueryDataSet::Part* PartedQueryDataSet::locate(int row, const QString& field, int* col) const {
    if (!first_ || !first_->Active())
        return nullptr;
    *col = column(field);
    if (*col < 0)
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name(), field));
    if (row < 0 || row >= rowsKnown_)
        return nullptr;
    const Part* part = partOf(row);
    if (!part)
        throw ReportError(QStringLiteral("%1: row %2 was read in an earlier part and is no longer held").arg(name()).arg(row + 1));
    return part;
}

PartedQueryDataSet::SplitColumn PartedQueryDataSet::splitColumn(const Part& part, const QString& field) const {
    if (const SplitColumn* known = cached(splitColumns_, field))
        return *known;
    SplitColumn col{part.query->fieldIndex(field), false};
    if (col.column < 0)
        col = SplitColumn{part.head->fieldIndex(field), true};
    if (col.column < 0)
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name(), field));
    splitColumns_.emplace_back(field, col);
    return col;
}

Field PartedQueryDataSet::cell(int row, const QString& field) const {
    int col = -1;
    const Part* part = locate(row, field, &col);
    if (!part)
        return {};
    const int r = row - part->firstRow;
    if (!part->head)
        return part->query->fieldAt(r, col);
    const SplitColumn split = splitColumn(*part, field);
    return split.head ? part->head->fieldAt(part->headOf[size_t(r)], split.column) : part->query->fieldAt(r, split.column);
}

QString PartedQueryDataSet::text(int row, const QString& field) const { return cell(row, field).AsString(); }

QVariant PartedQueryDataSet::value(int row, const QString& field) const { return cell(row, field).AsVariant(); }

}  // namespace kestrum::report
