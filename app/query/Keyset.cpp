#include "Keyset.h"

#include <QRegularExpression>

namespace kestrum {
namespace {

const QRegularExpression& identifier() {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re;
}

std::optional<SortTerm> parseTerm(const QString& text, bool nullsFirstAscending) {
    static const QRegularExpression re(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(?:\\s+(asc|desc))?(?:\\s+nulls\\s+(first|last))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    SortTerm t;
    t.column = m.captured(1);
    t.descending = m.captured(2).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    if (m.captured(3).isEmpty())
        t.nullsFirst = t.descending ? !nullsFirstAscending : nullsFirstAscending;
    else
        t.nullsFirst = m.captured(3).compare(QLatin1String("first"), Qt::CaseInsensitive) == 0;
    return t;
}

SortTerm reversedTerm(SortTerm t) {
    t.descending = !t.descending;
    t.nullsFirst = !t.nullsFirst;
    return t;
}

QString termText(const SortTerm& t, const QString& key, const QString& value) {
    const QString direction = t.descending ? QStringLiteral("Desc") : QStringLiteral("Asc");
    // The key is never NULL: a NULL placement there would only keep PostgreSQL from its primary key
    // index (stored NULLs last), and it would sort the whole table instead.
    if (t.column.compare(key, Qt::CaseInsensitive) == 0) return QStringLiteral("%1 %2").arg(value, direction);
    return QStringLiteral("%1 %2 Nulls %3").arg(value, direction, t.nullsFirst ? QStringLiteral("First") : QStringLiteral("Last"));
}

}  // namespace

std::optional<KeysetPlan> KeysetPlan::make(const QString& sql, TableHintFunction tables, bool nullsFirstAscending,
                                           bool foldCase, bool pairRanges) {
    if (!tables) return std::nullopt;
    const QString text = sql.simplified();
    // Anything beyond one table, filtered and sorted by plain columns, is read whole as before.
    static const QRegularExpression refused(
        QStringLiteral("\\b(join|union|intersect|except|group|having|limit|offset|fetch|distinct|for|with)\\b|[;\"'`]"),
        QRegularExpression::CaseInsensitiveOption);
    if (refused.match(text).hasMatch()) return std::nullopt;
    static const QRegularExpression shape(
        QStringLiteral("^select\\s+(.+?)\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)((?:\\s+where\\s+.+?)?)"
                       "(?:\\s+order\\s+by\\s+(.+))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = shape.match(text);
    if (!m.hasMatch() || m.captured(3).contains(QLatin1String("select"), Qt::CaseInsensitive) ||
        m.captured(1).contains(QLatin1String("select"), Qt::CaseInsensitive))
        return std::nullopt;
    const TableHint table = tables(m.captured(2));
    if (table.key.isEmpty()) return std::nullopt;

    KeysetPlan plan;
    const QString list = m.captured(1).trimmed();
    if (list == u"*") {
        for (const QString& c : table.columns) plan.selected_ << c.toLower();
    } else {
        for (const QString& part : list.split(u',')) {
            const QString c = part.trimmed();
            if (!identifier().match(c).hasMatch()) return std::nullopt;  // expressions, aliases
            plan.selected_ << c.toLower();
        }
    }
    if (!plan.selects(table.key)) return std::nullopt;
    plan.key_ = table.key;
    plan.pairRanges_ = pairRanges;
    if (foldCase && table.foldedExpression) {
        for (const QString& c : table.folded) plan.folded_ << c.toLower();
        plan.foldedExpression_ = table.foldedExpression;
    }
    plan.base_ = QStringLiteral("Select %1 From %2%3").arg(list, m.captured(2), m.captured(3));
    if (!m.captured(4).isEmpty()) {
        for (const QString& part : m.captured(4).split(u',')) {
            const auto term = parseTerm(part, nullsFirstAscending);
            if (!term || !plan.selects(term->column)) return std::nullopt;
            plan.terms_ << *term;
            if (term->column.compare(plan.key_, Qt::CaseInsensitive) == 0) break;  // unique: the rest never decides
        }
    }
    if (plan.terms_.isEmpty() || plan.terms_.last().column.compare(plan.key_, Qt::CaseInsensitive) != 0)
        plan.terms_ << SortTerm{plan.key_, false, true};
    return plan;
}

bool KeysetPlan::selects(const QString& column) const { return selected_.contains(column.toLower()); }

bool KeysetPlan::folds(const QString& column) const { return folded_.contains(column.toLower()); }

QString KeysetPlan::sortValue(const QString& alias, const QString& column) const {
    if (folds(column)) return foldedExpression_(alias, column);
    return alias + u'.' + column;
}

bool KeysetPlan::sortFirstBy(const QString& column) {
    if (!selects(column)) return false;
    QList<SortTerm> terms{SortTerm{column, false, true}};
    for (const SortTerm& t : std::as_const(terms_))
        if (t.column.compare(column, Qt::CaseInsensitive) != 0) terms << t;
    terms_ = terms;
    return true;
}

QString KeysetPlan::orderBy(bool reversed) const {
    QStringList parts;
    for (const SortTerm& t : terms_) parts << termText(reversed ? reversedTerm(t) : t, key_, sortValue(QStringLiteral("t"), t.column));
    return parts.join(QStringLiteral(", "));
}

QString KeysetPlan::afterPredicate(bool reversed) const {
    // Row t comes after row b when they agree on the first terms and t is later on the next one.
    QStringList alternatives;
    QStringList equalSoFar;
    for (const SortTerm& term : terms_) {
        const SortTerm t = reversed ? reversedTerm(term) : term;
        // b holds the row's values as the list compares them (boundarySql), t's are compared so.
        const QString c = t.column;
        const QString tv = sortValue(QStringLiteral("t"), c);
        const QString later = QStringLiteral("%1 %2 b.%3").arg(tv, t.descending ? u"<" : u">", c);
        QStringList conj = equalSoFar;
        if (c.compare(key_, Qt::CaseInsensitive) == 0) {
            conj << later;  // the key is never NULL: a plain range the key's index answers
        } else {
            const QString nulls = t.nullsFirst ? QStringLiteral("(b.%1 Is Null And %2 Is Not Null)").arg(c, tv)
                                               : QStringLiteral("(%2 Is Null And b.%1 Is Not Null)").arg(c, tv);
            conj << QStringLiteral("(%1 Or %2)").arg(later, nulls);
        }
        alternatives << QStringLiteral("(%1)").arg(conj.join(QStringLiteral(" And ")));
        equalSoFar << QStringLiteral("(%2 = b.%1 Or (%2 Is Null And b.%1 Is Null))").arg(c, tv);
    }
    return QStringLiteral("(%1)").arg(alternatives.join(QStringLiteral(" Or ")));
}

bool KeysetPlan::leadIsKey() const { return terms_.first().column.compare(key_, Qt::CaseInsensitive) == 0; }

bool KeysetPlan::pairRange() const {
    return pairRanges_ && terms_.size() == 2 && terms_[0].descending == terms_[1].descending;
}

int KeysetPlan::rangeLookups(bool leadNull) const {
    if (pairRange()) return leadNull ? 1 : 2;
    return !leadNull || leadIsKey() ? 1 : 0;
}

QString KeysetPlan::leadRange(bool reversed, bool leadNull, bool including) const {
    // The rows on b's side of the NULLs, from b's value on: a range on the first sort column that
    // its index answers (the alternatives above alone would walk the index from its start). The
    // value comes from a subquery of its own, which both engines work out once before the range:
    // PostgreSQL would otherwise read the list in order and test each row against b.
    const SortTerm lead = reversed ? reversedTerm(terms_.first()) : terms_.first();
    const QString tv = sortValue(QStringLiteral("t"), lead.column);
    if (pairRange()) {
        // Inside a long run of equal values (a type most customers share) the key decides: a range
        // on the value and the key together starts the index at b itself, where one on the value
        // alone starts at the run's far end and tests every row of it.
        const QString op = QString(lead.descending ? u'<' : u'>') + (including ? QStringLiteral("=") : QString());
        const QString key = QStringLiteral("(Select v.%1 From (%2) v Where v.%1 = ?)").arg(key_, base_);
        if (leadNull) return QStringLiteral("%1 Is Null And t.%2 %3 %4").arg(tv, key_, op, key);
        return QStringLiteral("(%1, t.%2) %3 ((Select %4 From (%5) v Where v.%2 = ?), %6)")
            .arg(tv, key_, op, sortValue(QStringLiteral("v"), lead.column), base_, key);
    }
    if (leadNull && !leadIsKey()) return QStringLiteral("%1 Is Null").arg(tv);
    return QStringLiteral("%1 %2 (Select %3 From (%4) v Where v.%5 = ?)")
        .arg(tv, lead.descending ? u"<=" : u">=", sortValue(QStringLiteral("v"), lead.column), base_, key_);
}

bool KeysetPlan::seekLeavesRest(bool backward, bool leadNull) const {
    if (leadIsKey()) return false;
    // NULLs after the values (a backward seek of an ascending list) or values after the NULLs.
    const SortTerm lead = backward ? reversedTerm(terms_.first()) : terms_.first();
    return leadNull == lead.nullsFirst;
}

QString KeysetPlan::restSql(bool backward, bool leadNull) const {
    return QStringLiteral("Select t.* From (%1) t Where %2 Is %3Null Order By %4 Limit ?")
        .arg(base_, sortValue(QStringLiteral("t"), terms_.first().column), leadNull ? QStringLiteral("Not ") : QString(),
             orderBy(backward));
}

QString KeysetPlan::countSql() const { return QStringLiteral("Select Count(*) From (%1) t").arg(base_); }

QString KeysetPlan::orderedSql() const {
    return QStringLiteral("Select t.* From (%1) t Order By %2").arg(base_, orderBy(false));
}

QString KeysetPlan::edgeSql(bool fromEnd) const {
    return QStringLiteral("Select t.* From (%1) t Order By %2 Limit ?").arg(base_, orderBy(fromEnd));
}

QString KeysetPlan::offsetSql() const {
    return QStringLiteral("Select t.* From (%1) t Order By %2 Limit ? Offset ?").arg(base_, orderBy(false));
}

bool KeysetPlan::seekReadsRow() const { return !pairRange(); }

QString KeysetPlan::seekSql(bool backward, bool including, bool leadNull) const {
    // The pair's range says exactly which rows come after b on its side of the NULLs: nothing else
    // to test, and a statement of fewer tables is planned in a fraction of the time.
    if (pairRange())
        return QStringLiteral("Select t.* From (%1) t Where %2 Order By %3 Limit ?")
            .arg(base_, leadRange(backward, leadNull, including), orderBy(backward));
    QString where = afterPredicate(backward);
    if (including) where = QStringLiteral("(%1 Or t.%2 = b.%2)").arg(where, key_);
    // b first: SQLite keeps a Cross Join's order, and the range on t needs b's values in hand.
    return QStringLiteral("Select t.* From (%1) b Cross Join (%2) t Where %3 And %4 Order By %5 Limit ?")
        .arg(boundarySql(), base_, where, leadRange(backward, leadNull, including), orderBy(backward));
}

QString KeysetPlan::boundarySql() const {
    QStringList columns;
    for (const SortTerm& t : terms_)
        columns << (folds(t.column) ? QStringLiteral("%1 As %2").arg(sortValue(QStringLiteral("s"), t.column), t.column)
                                    : QStringLiteral("s.") + t.column);
    return QStringLiteral("Select %1 From (%2) s Where s.%3 = ?").arg(columns.join(QStringLiteral(", ")), base_, key_);
}

QString KeysetPlan::positionSql(const QList<bool>& nulls, int* repeats) const {
    return QStringLiteral("Select %1 From (%2) b").arg(positionTerms(nulls, repeats), boundarySql());
}

QString KeysetPlan::placeSql(const QList<bool>& nulls, int* repeats) const {
    return QStringLiteral("Select %1, (Select Count(*) From (%2) t) From (%3) b")
        .arg(positionTerms(nulls, repeats), base_, boundarySql());
}

QString KeysetPlan::positionTerms(const QList<bool>& nulls, int* repeats) const {
    // Rows before b: for each sort term, those equal to b on the terms before it and earlier on it.
    // Each count has plain equalities and one range (or Is [Not] Null), which an index answers.
    QStringList counts;
    QStringList equal;
    for (qsizetype i = 0; i < terms_.size(); ++i) {
        const SortTerm& t = terms_[i];
        const QString tv = sortValue(QStringLiteral("t"), t.column);
        const bool bNull = i < nulls.size() && nulls[i];
        QStringList earlier;
        if (bNull) {
            if (!t.nullsFirst) earlier << QStringLiteral("%1 Is Not Null").arg(tv);
        } else {
            earlier << QStringLiteral("%1 %2 b.%3").arg(tv, t.descending ? u">" : u"<", t.column);
            if (t.nullsFirst && t.column.compare(key_, Qt::CaseInsensitive) != 0)
                earlier << QStringLiteral("%1 Is Null").arg(tv);
        }
        for (const QString& e : std::as_const(earlier))
            counts << QStringLiteral("(Select Count(*) From (%1) t Where %2)")
                          .arg(base_, (QStringList(equal) << e).join(QStringLiteral(" And ")));
        equal << (bNull ? QStringLiteral("%1 Is Null").arg(tv) : QStringLiteral("%1 = b.%2").arg(tv, t.column));
    }
    if (repeats) *repeats = int(counts.size());
    if (counts.isEmpty()) counts << QStringLiteral("0");
    return counts.join(QStringLiteral(" + "));
}

QString KeysetPlan::firstKeySql(const QString& condition) const {
    return QStringLiteral("Select t.%1 From (%2) t Where %3 Order By %4 Limit 1").arg(key_, base_, condition, orderBy(false));
}

}  // namespace kestrum
