#pragma once
// A built report: its pages as lists of drawing operations in 1/96 inch page coordinates. Built
// once per showReport, then painted as often as the preview, printer or PDF writer needs, so the
// bound queries are read only once and the pages never change under the user's eyes.
#include "Report.h"

#include <QFont>
#include <QImage>
#include <QString>

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

struct Page {
    std::vector<DrawOp> ops;
};

class PreparedReport {
public:
    QString title;
    QString fileName;  ///< what the PDF export proposes, without ".pdf"
    double widthMm = 215.9;
    double heightMm = 279.4;
    bool pdfExport = true;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
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
    bool exportPdf(const QString& fileName, QString* error = nullptr) const;
    /// \brief Prints the pages on `printer` (set up by the caller or the print dialog; its page
    /// range is honoured). False when the printer could not be started.
    bool print(QPrinter& printer) const;
};

/// \brief Builds the pages of `report` from its datasets as they stand (two passes, so that
/// [TotalPages#] is known). Throws ReportError, or whatever a dataset throws, on a fault.
PreparedReport prepareReport(const Report& report);

}  // namespace kestrum::report
