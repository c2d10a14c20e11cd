#pragma once
// A built report: its pages as drawing operations in 1/96 inch page coordinates. Laid out once
// per showReport (page by page, as the preview needs them), then painted as often as the preview,
// printer or PDF writer needs, so the bound queries are read only once and the pages never change
// under the user's eyes.
#include "Report.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPrinter;

namespace kestrum::report {

/// The font of `f` for `device` (96 dpi when null): a point is 1/72 inch whatever the device.
QFont deviceFont(const Font& f, const QPaintDevice* device);
/// The largest size, not above `f`'s, at which `text` fits `width` (1/96 inch) on one line.
Font fittedFont(const Font& f, const QString& text, double width);

struct DrawOp {
    enum class Kind { Text, Line, Rect };
    Kind kind = Kind::Text;
    QRectF rect;
    QLineF line;
    QString text;
    Font font;
    Qt::Alignment align;
    bool wordWrap = true;
    bool framed = false;
    double width = 1;
    QColor fill;
};

class PageStore;
class PageLayouter;

/// \brief A built report, its pages held compactly: each drawing operation is a position and two
/// indexes into tables shared by every page (the operation's shape, font and frame; its text), so
/// a year's report of thousands of pages costs tens of bytes per text, not a copy of everything.
/// Pages are added while a report is laid out (PageProducer); a text printing the page count
/// shows "…" until the last page exists.
class PreparedReport {
public:
    PreparedReport();
    ~PreparedReport();
    PreparedReport(const PreparedReport&);
    PreparedReport(PreparedReport&&) noexcept;
    PreparedReport& operator=(const PreparedReport&);
    PreparedReport& operator=(PreparedReport&&) noexcept;

    QString title;
    QString fileName;  ///< what the PDF export proposes, without ".pdf"
    double widthMm = 215.9;
    double heightMm = 279.4;
    bool pdfExport = true;

    int pageCount() const { return int(pages_.size()); }
    /// True once the last page exists (the page count is known).
    bool complete() const { return complete_; }
    /// The drawing operations of page `page` (0-based), the page count filled in.
    std::vector<DrawOp> pageOps(int page) const;
    /// Page size in 1/96 inch.
    QSizeF pageSize() const { return QSizeF(mmToUnits(widthMm), mmToUnits(heightMm)); }
    /// Every text of a page in drawing order, one per line (what a reader of the page sees).
    QString pageText(int page) const;
    /// Texts of a page lying in the band strip [top, top + height) (1/96 inch from the paper top).
    QStringList textsIn(int page, double top, double height) const;

    /// Paints page `page` (0-based) scaled into `target` (device coordinates of `painter`).
    void paintPage(int page, QPainter& painter, const QRectF& target) const;
    /// The page as an image at `dpi` dots per inch (white background).
    QImage toImage(int page, double dpi = 96) const;
    /// \brief Writes all pages to a PDF file. The file is replaced only when the whole document was
    /// written; on failure returns false with the reason in `error` and leaves any old file alone.
    /// A report whose last page does not exist yet is not written.
    bool exportPdf(const QString& fileName, QString* error = nullptr) const;
    /// \brief Prints the pages on `printer` (set up by the caller or the print dialog; its page
    /// range is honoured). False when the printer could not be started or the report is not complete.
    bool print(QPrinter& printer) const;

    // --- building (the layout pass) ---------------------------------------------------------
    void startPage();
    /// \brief The index of an operation's shape: everything but its text and place, geometry
    /// relative to its band. `pageCountText`: its text holds [TotalPages#], filled in when read.
    quint32 shapeOf(const DrawOp& relative, bool pageCountText);
    /// Adds an operation of `shape` to the last page, its band placed at `origin`.
    void addOp(quint32 shape, const QPointF& origin, const QString& text);
    /// \brief The stored form of a text printed again and again (a label): pass it to addStoredOp.
    quint32 storedText(const QString& text);
    void addStoredOp(quint32 shape, const QPointF& origin, quint32 storedText);
    /// The last page exists: the page count is known from now on.
    void setComplete();

private:
    struct PackedOp {
        quint32 shape = 0;
        quint32 text = 0;  // 0: none; otherwise 1 + its index in the store
    };
    // Where a band was placed: the operations from `firstOp` up to the next placement's are its.
    struct Placement {
        double x = 0;
        double y = 0;
        quint32 firstOp = 0;
    };
    struct PackedPage {
        std::vector<Placement> placements;
        std::vector<PackedOp> ops;
    };
    std::shared_ptr<PageStore> store_;
    std::vector<PackedPage> pages_;
    bool complete_ = false;
};

/// \brief Lays the bands of a report out one page after the other, reading each dataset's rows only
/// as far as the pages laid out need, so the first page can be shown before the last row is read.
/// `report` and its datasets must outlive the producer. Every call that lays out may throw what
/// a dataset or text throws (ReportError, DatabaseError); the producer is then failed() and lays
/// out nothing more.
class PageProducer {
public:
    explicit PageProducer(const Report& report);
    ~PageProducer();
    PageProducer(const PageProducer&) = delete;
    PageProducer& operator=(const PageProducer&) = delete;

    /// The pages laid out so far (the last one may still grow until finishedPages() counts it).
    const PreparedReport& pages() const { return out_; }
    /// Pages that will not change any more.
    int finishedPages() const;
    bool done() const;
    bool failed() const { return failed_; }
    QString failure() const { return failure_; }

    /// Lays out until page `page` (0-based) is finished or the report ends; whether it exists.
    bool producePage(int page);
    /// Lays out rows for about `budgetMs` milliseconds; true while more is left to lay out.
    bool produceFor(int budgetMs);
    /// Lays out the rest of the report.
    void produceAll();
    /// The whole report (lays out what is left), leaving the producer empty.
    PreparedReport take();

private:
    bool step();  // one row of a top-level band (with its details) or one band; false when done
    template <typename F>
    void guarded(F&& f);
    std::unique_ptr<PageLayouter> layouter_;
    PreparedReport out_;
    bool failed_ = false;
    QString failure_;
};

/// \brief Builds every page of `report` from its datasets as they stand ([TotalPages#] known).
/// Throws ReportError, or whatever a dataset throws, on a fault.
PreparedReport prepareReport(const Report& report);

}  // namespace kestrum::report
