#include "Report.h"

#include "Format.h"

#include <algorithm>

namespace kestrum::report {

TextItem& Band::add(TextItem item) {
    items_.emplace_back(std::move(item));
    return std::get<TextItem>(items_.back());
}

TextItem& Band::text(double x, double y, double w, double h, const QString& literal, const Font& f) {
    TextItem& t = add(TextItem{QRectF(x, y, w, h), [literal](const Context& c) { return expandLiteral(literal, c); }, f});
    t.pageCountText = literal.contains(QStringLiteral("[TotalPages#]"));
    if (!literal.contains(QLatin1Char('['))) {
        t.fixed = true;
        t.literal = literal;
    }
    return t;
}

TextItem& Band::text(double x, double y, double w, double h, RowText fn, const Font& f) {
    return add(TextItem{QRectF(x, y, w, h), [fn = std::move(fn)](const Context& c) { return fn(c.row()); }, f});
}

TextItem& Band::text(double x, double y, double w, double h, ContextText fn, const Font& f) {
    return add(TextItem{QRectF(x, y, w, h), std::move(fn), f});
}

TextItem& Band::field(double x, double y, double w, double h, const QString& fieldName, const Font& f) {
    return text(x, y, w, h, RowText([fieldName](const Row& r) { return r.text(fieldName); }), f);
}

TextItem& Band::money(double x, double y, double w, double h, RowNumber fn, const Font& f) {
    return text(x, y, w, h, ContextText([fn = std::move(fn)](const Context& c) {
                    return formatReportMoney(fn(c.row()));
                }),
                f);
}

TextItem& Band::money(double x, double y, double w, double h, ContextNumber fn, const Font& f) {
    return text(x, y, w, h, ContextText([fn = std::move(fn)](const Context& c) { return formatReportMoney(fn(c)); }),
                f);
}

TextItem& Band::moneyField(double x, double y, double w, double h, const QString& fieldName, const Font& f) {
    return money(x, y, w, h, RowNumber([fieldName](const Row& r) { return r.decimal(fieldName); }), f);
}

LineItem& Band::line(double x1, double y1, double x2, double y2, double width) {
    items_.emplace_back(LineItem{QLineF(x1, y1, x2, y2), width});
    return std::get<LineItem>(items_.back());
}

RectItem& Band::rect(double x, double y, double w, double h, double width) {
    items_.emplace_back(RectItem{QRectF(x, y, w, h), width, QColor()});
    return std::get<RectItem>(items_.back());
}

static RowNumber fieldNumber(const QString& field) {
    return [field](const Row& r) { return r.decimal(field); };
}

Sum Group::sum(const QString& field) { return sum(fieldNumber(field)); }

Sum Group::sum(RowNumber fn) { return owner_->report()->addSum(SumDef{owner_, this, std::move(fn)}); }

Group& DataBand::group(RowText key) {
    groups_.push_back(std::make_unique<Group>(this, std::move(key)));
    return *groups_.back();
}

Group& DataBand::groupOn(const QString& field) {
    return group([field](const Row& r) { return r.text(field); });
}

DataBand& DataBand::detail(ReportDataSet* set, double height,
                           std::function<bool(const Row& master, const Row& detail)> belongs) {
    if (!set)
        throw ReportError(QStringLiteral("A detail band needs a dataset"));
    report_->useDataSet(set);
    details_.push_back(Detail{std::make_unique<DataBand>(report_, set, height), std::move(belongs)});
    return *details_.back().band;
}

DataBand& DataBand::detail(ReportDataSet* set, double height, const QString& masterField,
                           const QString& detailField) {
    return detail(set, height, [masterField, detailField](const Row& m, const Row& d) {
        return m.text(masterField) == d.text(detailField);
    });
}

Sum DataBand::sum(const QString& field) { return sum(fieldNumber(field)); }

Sum DataBand::sum(RowNumber fn) { return report_->addSum(SumDef{this, nullptr, std::move(fn)}); }

Report::Report() = default;

void Report::setMargins(double leftMm, double topMm, double rightMm, double bottomMm) {
    mL_ = leftMm;
    mT_ = topMm;
    mR_ = rightMm;
    mB_ = bottomMm;
}

double Report::bodyWidth() const { return mmToUnits(paperW_ - mL_ - mR_); }

DataBand& Report::masterData(ReportDataSet* set, double height) {
    if (!set)
        throw ReportError(QStringLiteral("A data band needs a dataset"));
    useDataSet(set);
    bands_.push_back(std::make_unique<DataBand>(this, set, height));
    return *bands_.back();
}

Sum Report::addSum(SumDef def) {
    if (!def.band || !def.value)
        throw ReportError(QStringLiteral("A sum needs a data band and a value"));
    sums_.push_back(std::move(def));
    return Sum{int(sums_.size()) - 1};
}

void Report::useDataSet(ReportDataSet* set) {
    if (set && std::find(sets_.begin(), sets_.end(), set) == sets_.end())
        sets_.push_back(set);
}

Decimal Context::sum(Sum s) const {
    if (!sums_ || s.id < 0 || s.id >= int(sums_->size()))
        throw ReportError(QStringLiteral("Sum %1 does not belong to this report").arg(s.id));
    return (*sums_)[s.id];
}

QString formatReportMoney(const Decimal& value) {
    const qint64 cents = value.rounded(2).raw() / (Decimal::Scale / 100);
    quint64 abs = cents < 0 ? quint64(-(cents + 1)) + 1 : quint64(cents);
    // Written backwards into a buffer: a report formats a figure or two on every line.
    char buf[40];
    char* p = buf + sizeof buf;
    *--p = char('0' + abs % 10);
    abs /= 10;
    *--p = char('0' + abs % 10);
    abs /= 10;
    *--p = '.';
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            *--p = ',';
        *--p = char('0' + abs % 10);
        abs /= 10;
        ++digits;
    } while (abs > 0);
    *--p = '$';
    if (cents < 0)
        *--p = '-';
    return QString::fromLatin1(p, int(buf + sizeof buf - p));
}

QString expandLiteral(const QString& literal, const Context& c) {
    if (!literal.contains(QLatin1Char('[')))
        return literal;
    QString out = literal;
    if (c.totalPages() > 0)
        out.replace(QStringLiteral("[TotalPages#]"), QString::number(c.totalPages()));
    out.replace(QStringLiteral("[Page#]"), QString::number(c.page()));
    out.replace(QStringLiteral("[Date]"), formatShortDate(c.date()));
    out.replace(QStringLiteral("[Time]"), c.time().toString(QStringLiteral("h:mm:ss AP")));
    return out;
}

}  // namespace kestrum::report
