// Lays the bands of a report out on pages, one pass, a top-level row at a time, so the preview
// can show the first page while later rows are still unread. Band heights are fixed, so the page
// breaks do not depend on the texts; the page count is filled into [TotalPages#] when the pages
// are read, once the last page exists.
#include "PreparedReport.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <unordered_map>

namespace kestrum::report {

class PageLayouter {
public:
    PageLayouter(const Report& r, PreparedReport& out) : r_(r), out_(out) {
        const QDateTime now = QDateTime::currentDateTime();
        ctx_.date_ = now.date();
        ctx_.time_ = now.time();
        ctx_.sums_ = &sums_;
        left_ = mmToUnits(r_.marginLeftMm());
        pageTop_ = mmToUnits(r_.marginTopMm());
        footerTop_ = mmToUnits(r_.paperHeightMm() - r_.marginBottomMm()) - r_.pageFooterBand().height();
        for (ReportDataSet* set : r_.dataSets())
            set->prepare();
    }

    bool done() const { return phase_ == Phase::Done; }
    int pagesStarted() const { return pageCount_; }

    // One step: the start of a copy, a band's header, one row of a top-level band with its
    // details, a band's end, or the end of a copy. False once the report is laid out.
    bool step() {
        switch (phase_) {
        case Phase::StartCopy:
            ctx_.copy_ = copy_;
            sums_.assign(r_.sums().size(), Decimal());
            startPage(true);
            band_ = 0;
            phase_ = r_.dataBands().empty() ? Phase::Summary : Phase::BandStart;
            return true;
        case Phase::BandStart:
            walk_ = Walk(r_.dataBands()[band_].get());
            begin(walk_);
            row_ = 0;
            phase_ = Phase::Rows;
            return true;
        case Phase::Rows: {
            ReportDataSet* set = walk_.band->dataSet();
            if (!set->hasRow(row_)) {
                phase_ = Phase::BandEnd;
                return true;
            }
            visit(walk_, Row(set, row_));
            ++row_;
            return true;
        }
        case Phase::BandEnd:
            end(walk_);
            ++band_;
            phase_ = band_ < r_.dataBands().size() ? Phase::BandStart : Phase::Summary;
            return true;
        case Phase::Summary:
            place(r_.reportSummaryBand(), Row());
            endPage();
            ++copy_;
            if (copy_ < r_.copies()) {
                phase_ = Phase::StartCopy;
            } else {
                phase_ = Phase::Done;
                out_.setComplete();
            }
            return true;
        case Phase::Done:
            return false;
        }
        return false;
    }

private:
    enum class Phase { StartCopy, BandStart, Rows, BandEnd, Summary, Done };

    // A data band being walked: its groups' keys of the row before.
    struct Walk {
        explicit Walk(const DataBand* b = nullptr) : band(b) {}
        const DataBand* band = nullptr;
        Row prev;
        std::vector<QString> prevKeys;
        bool any = false;
    };

    static bool isEmpty(const Band& b) { return b.height() <= 0 && b.items().empty(); }

    void startPage(bool withTitle) {
        ++pageCount_;
        ctx_.page_ = pageCount_;
        out_.startPage();
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

    // The shape of an item is the same wherever its band is placed, except a text that shrinks
    // to fit its value: it is made once per item, and its operation only built then.
    template <typename MakeOp>
    quint32 shapeOf(const void* item, bool pageCountText, MakeOp&& makeOp) {
        const auto it = shapes_.find(item);
        if (it != shapes_.end())
            return it->second;
        const quint32 s = out_.shapeOf(makeOp(), pageCountText);
        shapes_.emplace(item, s);
        return s;
    }

    // A literal's shape and stored text, made the first time it is printed.
    std::pair<quint32, quint32> fixedOf(const TextItem& t) {
        const auto it = fixed_.find(&t);
        if (it != fixed_.end())
            return it->second;
        const std::pair<quint32, quint32> made{out_.shapeOf(textOp(t, t.font), t.pageCountText),
                                               out_.storedText(t.literal)};
        fixed_.emplace(&t, made);
        return made;
    }

    static DrawOp textOp(const TextItem& t, const Font& font) {
        DrawOp op;
        op.kind = DrawOp::Kind::Text;
        op.rect = t.rect;
        op.font = font;
        op.align = t.align;
        op.wordWrap = t.wordWrap;
        op.framed = t.framed;
        return op;
    }

    void draw(const Band& band, const Row& row) {
        if (isEmpty(band))
            return;
        ctx_.row_ = row;
        const QPointF at(left_, y_);
        for (const Item& item : band.items()) {
            if (const auto* t = std::get_if<TextItem>(&item); t && t->fixed && !t->shrinkToFit) {
                const auto [shape, text] = fixedOf(*t);
                out_.addStoredOp(shape, at, text);
            } else if (t) {
                const QString text = t->text ? t->text(ctx_) : QString();
                const quint32 shape =
                    t->shrinkToFit ? out_.shapeOf(textOp(*t, fittedFont(t->font, text, t->rect.width())), t->pageCountText)
                                   : shapeOf(t, t->pageCountText, [t] { return textOp(*t, t->font); });
                out_.addOp(shape, at, text);
            } else if (const auto* l = std::get_if<LineItem>(&item)) {
                out_.addOp(shapeOf(l, false, [l] {
                               DrawOp op;
                               op.kind = DrawOp::Kind::Line;
                               op.line = l->line;
                               op.width = l->width;
                               return op;
                           }),
                           at, QString());
            } else if (const auto* rc = std::get_if<RectItem>(&item)) {
                out_.addOp(shapeOf(rc, false, [rc] {
                               DrawOp op;
                               op.kind = DrawOp::Kind::Rect;
                               op.rect = rc->rect;
                               op.width = rc->width;
                               op.fill = rc->fill;
                               return op;
                           }),
                           at, QString());
            }
        }
        ctx_.row_ = Row();
        y_ += band.height();
    }

    void accumulate(const DataBand& band, const Row& row) {
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

    void begin(Walk& w) { place(w.band->headerBand(), Row()); }

    // One row of a band with its group breaks and its detail rows.
    void visit(Walk& w, const Row& row) {
        const DataBand& band = *w.band;
        const auto& groups = band.groups();
        // The row's keys go into the buffer of the row before's: no allocation per row.
        std::vector<QString> keys = std::move(keysBuffer_);
        keys.clear();
        for (const auto& g : groups)
            keys.push_back(g->key()(row));
        // The outermost group whose key changed breaks every group inside it too.
        size_t level = 0;
        if (w.any)
            while (level < keys.size() && keys[level] == w.prevKeys[level])
                ++level;
        if (w.any)
            for (size_t g = groups.size(); g-- > level;)
                place(groups[g]->footerBand(), w.prev);
        for (size_t g = level; g < groups.size(); ++g) {
            resetGroupSums(groups[g].get());
            place(groups[g]->headerBand(), row);
        }
        accumulate(band, row);
        place(band, row);
        for (const auto& d : band.details())
            walkDetail(*d.band, row, d.belongs);
        w.prev = row;
        keysBuffer_ = std::move(w.prevKeys);
        w.prevKeys = std::move(keys);
        w.any = true;
    }

    void end(Walk& w) {
        const auto& groups = w.band->groups();
        if (w.any)
            for (size_t g = groups.size(); g-- > 0;)
                place(groups[g]->footerBand(), w.prev);
        place(w.band->footerBand(), w.prev);
    }

    // The detail rows of one master row (those `belongs` accepts; all without it), whole.
    void walkDetail(const DataBand& band, const Row& master, const std::function<bool(const Row&, const Row&)>& belongs) {
        Walk w(&band);
        begin(w);
        ReportDataSet* set = band.dataSet();
        for (int i = 0; set->hasRow(i); ++i) {
            const Row row(set, i);
            if (belongs && !belongs(master, row))
                continue;
            visit(w, row);
        }
        end(w);
    }

    const Report& r_;
    PreparedReport& out_;
    Context ctx_;
    std::vector<Decimal> sums_;
    std::unordered_map<const void*, quint32> shapes_;
    std::unordered_map<const TextItem*, std::pair<quint32, quint32>> fixed_;
    std::vector<QString> keysBuffer_;
    Phase phase_ = Phase::StartCopy;
    int copy_ = 0;
    size_t band_ = 0;
    int row_ = 0;
    Walk walk_;
    int pageCount_ = 0;
    double left_ = 0, pageTop_ = 0, bodyTop_ = 0, footerTop_ = 0, y_ = 0;
};

PageProducer::PageProducer(const Report& report) {
    out_.title = report.title();
    out_.fileName = report.fileName();
    out_.widthMm = report.paperWidthMm();
    out_.heightMm = report.paperHeightMm();
    out_.pdfExport = report.pdfExport();
    guarded([&] { layouter_ = std::make_unique<PageLayouter>(report, out_); });
}

PageProducer::~PageProducer() = default;

bool PageProducer::done() const { return layouter_ && layouter_->done(); }

int PageProducer::finishedPages() const {
    // The page being laid out may still take rows until the next one starts.
    return done() ? out_.pageCount() : std::max(0, out_.pageCount() - 1);
}

template <typename F>
void PageProducer::guarded(F&& f) {
    if (failed_)
        throw ReportError(failure_);
    try {
        f();
    } catch (const std::exception& e) {
        // Half a layout is never taken for a whole one: the producer stops here for good.
        failed_ = true;
        failure_ = QString::fromUtf8(e.what());
        throw;
    }
}

bool PageProducer::step() { return layouter_ && layouter_->step(); }

bool PageProducer::producePage(int page) {
    guarded([&] {
        while (finishedPages() <= page && step()) {
        }
    });
    return page >= 0 && page < finishedPages();
}

bool PageProducer::produceFor(int budgetMs) {
    QElapsedTimer clock;
    clock.start();
    guarded([&] {
        // The clock is read every few rows: a row takes microseconds.
        for (int n = 0; step(); ++n)
            if (n % 32 == 31 && clock.elapsed() >= budgetMs)
                break;
    });
    return !done();
}

void PageProducer::produceAll() {
    guarded([&] {
        while (step()) {
        }
    });
}

PreparedReport PageProducer::take() {
    produceAll();
    return std::move(out_);
}

PreparedReport prepareReport(const Report& report) { return PageProducer(report).take(); }

}  // namespace kestrum::report
