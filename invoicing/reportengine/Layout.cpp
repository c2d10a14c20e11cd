// Lays the bands of a report out on pages. Band heights are fixed, so the page breaks do not
// depend on the texts: the first pass only counts pages, the second fills in the texts with the
// page count known.
#include "PreparedReport.h"

#include <QDateTime>

namespace kestrum::report {

class Renderer {
public:
    explicit Renderer(const Report& r) : r_(r) {}

    PreparedReport run() {
        const QDateTime now = QDateTime::currentDateTime();
        ctx_.date_ = now.date();
        ctx_.time_ = now.time();
        ctx_.sums_ = &sums_;
        for (ReportDataSet* set : r_.dataSets())
            set->prepare();

        pass(false);
        ctx_.totalPages_ = pageCount_;
        pass(true);

        PreparedReport out;
        out.title = r_.title();
        out.fileName = r_.fileName();
        out.widthMm = r_.paperWidthMm();
        out.heightMm = r_.paperHeightMm();
        out.pdfExport = r_.pdfExport();
        out.pages = std::move(pages_);
        return out;
    }

private:
    static bool isEmpty(const Band& b) { return b.height() <= 0 && b.items().empty(); }

    void pass(bool final) {
        final_ = final;
        pageCount_ = 0;
        pages_.clear();
        left_ = mmToUnits(r_.marginLeftMm());
        pageTop_ = mmToUnits(r_.marginTopMm());
        footerTop_ = mmToUnits(r_.paperHeightMm() - r_.marginBottomMm()) - r_.pageFooterBand().height();
        for (int copy = 0; copy < r_.copies(); ++copy) {
            ctx_.copy_ = copy;
            sums_.assign(r_.sums().size(), Decimal());
            startPage(true);
            for (const auto& band : r_.dataBands())
                walk(*band, {});
            place(r_.reportSummaryBand(), Row());
            endPage();
        }
    }

    void startPage(bool withTitle) {
        ++pageCount_;
        ctx_.page_ = pageCount_;
        if (final_)
            pages_.emplace_back();
        y_ = pageTop_;
        if (withTitle)
            draw(r_.reportTitleBand(), Row());
        draw(r_.pageHeaderBand(), Row());
        bodyTop_ = y_;
    }

    void endPage() {
        y_ = footerTop_;
        draw(r_.pageFooterBand(), Row());
    }

    // Puts a band below the last one, on a new page when it does not fit above the page footer.
    // A band taller than a whole page body still goes on the fresh page (clipped), rather than
    // asking for pages forever.
    void place(const Band& band, const Row& row) {
        if (isEmpty(band))
            return;
        if (y_ + band.height() > footerTop_ && y_ > bodyTop_) {
            endPage();
            startPage(false);
        }
        draw(band, row);
    }

    void draw(const Band& band, const Row& row) {
        if (isEmpty(band))
            return;
        if (final_) {
            ctx_.row_ = row;
            const QPointF at(left_, y_);
            auto& ops = pages_.back().ops;
            for (const Item& item : band.items()) {
                DrawOp op;
                if (const auto* t = std::get_if<TextItem>(&item)) {
                    op.kind = DrawOp::Kind::Text;
                    op.rect = t->rect.translated(at);
                    op.text = t->text ? t->text(ctx_) : QString();
                    op.font = t->shrinkToFit ? fittedFont(t->font, op.text, op.rect.width()) : t->font;
                    op.align = t->align;
                    op.wordWrap = t->wordWrap;
                    op.framed = t->framed;
                } else if (const auto* l = std::get_if<LineItem>(&item)) {
                    op.kind = DrawOp::Kind::Line;
                    op.line = l->line.translated(at);
                    op.width = l->width;
                } else if (const auto* rc = std::get_if<RectItem>(&item)) {
                    op.kind = DrawOp::Kind::Rect;
                    op.rect = rc->rect.translated(at);
                    op.width = rc->width;
                    op.fill = rc->fill;
                }
                ops.push_back(std::move(op));
            }
            ctx_.row_ = Row();
        }
        y_ += band.height();
    }

    void accumulate(const DataBand& band, const Row& row) {
        if (!final_)
            return;
        const auto& defs = r_.sums();
        for (size_t i = 0; i < defs.size(); ++i)
            if (defs[i].band == &band)
                sums_[i] += defs[i].value(row);
    }

    void resetGroupSums(const Group* group) {
        const auto& defs = r_.sums();
        for (size_t i = 0; i < defs.size(); ++i)
            if (defs[i].group == group)
                sums_[i] = Decimal();
    }

    // Walks the rows of a band (only those `belongs` accepts, for a detail band) with its groups,
    // header, footer and details.
    void walk(const DataBand& band, const std::function<bool(const Row&)>& belongs) {
        const ReportDataSet* set = band.dataSet();
        const auto& groups = band.groups();
        place(band.headerBand(), Row());
        Row prev;
        std::vector<QString> prevKeys;
        bool any = false;
        const int n = set->rowCount();
        for (int i = 0; i < n; ++i) {
            const Row row(set, i);
            if (belongs && !belongs(row))
                continue;
            std::vector<QString> keys;
            keys.reserve(groups.size());
            for (const auto& g : groups)
                keys.push_back(g->key()(row));
            // The outermost group whose key changed breaks every group inside it too.
            size_t level = 0;
            if (any)
                while (level < keys.size() && keys[level] == prevKeys[level])
                    ++level;
            if (any)
                for (size_t g = groups.size(); g-- > level;)
                    place(groups[g]->footerBand(), prev);
            for (size_t g = level; g < groups.size(); ++g) {
                resetGroupSums(groups[g].get());
                place(groups[g]->headerBand(), row);
            }
            accumulate(band, row);
            place(band, row);
            for (const auto& d : band.details()) {
                const auto& link = d.belongs;
                walk(*d.band, link ? std::function<bool(const Row&)>([&](const Row& det) { return link(row, det); })
                                   : std::function<bool(const Row&)>());
            }
            prev = row;
            prevKeys = std::move(keys);
            any = true;
        }
        if (any)
            for (size_t g = groups.size(); g-- > 0;)
                place(groups[g]->footerBand(), prev);
        place(band.footerBand(), prev);
    }

    const Report& r_;
    Context ctx_;
    std::vector<Decimal> sums_;
    std::vector<Page> pages_;
    bool final_ = false;
    int pageCount_ = 0;
    double left_ = 0, pageTop_ = 0, bodyTop_ = 0, footerTop_ = 0, y_ = 0;
};

PreparedReport prepareReport(const Report& report) { return Renderer(report).run(); }

}  // namespace kestrum::report
