#pragma once
// A banded report layout built in code. Positions and sizes are in screen units of 1/96 inch,
// measured inside the page margins from the band's top-left corner, as the printed layouts give
// them. Texts are lambdas over the row being printed (or over the whole Context), so a layout is
// ordinary C++ and needs no expression language.
#include "ReportDataSet.h"

#include <QColor>
#include <QDate>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace kestrum::report {

class Context;

struct Font {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
};
inline Font font(double pointSize, bool bold = false) { return Font{QStringLiteral("Arial"), pointSize, bold}; }
inline Font bold(double pointSize) { return font(pointSize, true); }

using RowText = std::function<QString(const Row&)>;
using ContextText = std::function<QString(const Context&)>;
using RowNumber = std::function<Decimal(const Row&)>;
using ContextNumber = std::function<Decimal(const Context&)>;

/// \brief A text memo. Its text is a literal (with [Date] [Time] [Page#] [TotalPages#] expanded),
/// or a lambda over the band's row or the Context; money memos format their number with
/// formatReportMoney.
struct TextItem {
    QRectF rect;
    ContextText text;
    Font font;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    bool wordWrap = true;
    bool framed = false;
    bool shrinkToFit = false;
    /// A literal holding [TotalPages#]: the count is filled in when the pages are read.
    bool pageCountText = false;
    /// A literal without anything to fill in: the same text wherever it is printed, so the layout
    /// stores it once instead of asking `text` on every band.
    bool fixed = false;
    QString literal;

    TextItem& alignment(Qt::Alignment a) { align = a; return *this; }
    TextItem& right() { align = Qt::AlignRight | Qt::AlignTop; return *this; }
    TextItem& centre() { align = Qt::AlignHCenter | Qt::AlignTop; return *this; }
    TextItem& frame(bool on = true) { framed = on; return *this; }
    TextItem& wrap(bool on) { wordWrap = on; return *this; }
    /// One line whose font shrinks until the whole value fits the memo's width, so a long value
    /// is never cut or drawn under the next label.
    TextItem& fit() { shrinkToFit = true; wordWrap = false; return *this; }
};

struct LineItem {
    QLineF line;
    double width = 1;
};

struct RectItem {
    QRectF rect;
    double width = 1;
    QColor fill; // invalid: not filled
};

using Item = std::variant<TextItem, LineItem, RectItem>;

/// \brief A horizontal strip of a page holding items; its height is fixed.
class Band {
public:
    explicit Band(double height = 0) : height_(height) {}

    double height() const { return height_; }
    void setHeight(double h) { height_ = h; }
    const std::vector<Item>& items() const { return items_; }

    /// Literal text; [Date] [Time] [Page#] [TotalPages#] are filled in.
    TextItem& text(double x, double y, double w, double h, const QString& literal, const Font& f = {});
    TextItem& text(double x, double y, double w, double h, RowText fn, const Font& f = {});
    TextItem& text(double x, double y, double w, double h, ContextText fn, const Font& f = {});
    /// The field's display text of the band's row.
    TextItem& field(double x, double y, double w, double h, const QString& fieldName, const Font& f = {});
    /// Money memos: two decimals in the shop's currency format.
    TextItem& money(double x, double y, double w, double h, RowNumber fn, const Font& f = {});
    TextItem& money(double x, double y, double w, double h, ContextNumber fn, const Font& f = {});
    TextItem& moneyField(double x, double y, double w, double h, const QString& fieldName, const Font& f = {});

    LineItem& line(double x1, double y1, double x2, double y2, double width = 1);
    RectItem& rect(double x, double y, double w, double h, double width = 1);

private:
    TextItem& add(TextItem item);
    double height_;
    std::vector<Item> items_;
};

/// \brief Handle of a sum declared on a data band or group; read it with Context::sum().
struct Sum {
    int id = -1;
};

class DataBand;

/// \brief Header and footer printed around each run of rows whose key is the same.
class Group {
public:
    Group(DataBand* owner, RowText key) : owner_(owner), key_(std::move(key)) {}
    Band& header() { return header_; }
    Band& footer() { return footer_; }
    /// Sum of a field over the rows of the current group (starts again at each group header).
    Sum sum(const QString& field);
    Sum sum(RowNumber fn);

    const RowText& key() const { return key_; }
    const Band& headerBand() const { return header_; }
    const Band& footerBand() const { return footer_; }

private:
    DataBand* owner_;
    RowText key_;
    Band header_;
    Band footer_;
};

struct SumDef {
    const DataBand* band = nullptr;
    const Group* group = nullptr; // null: over the whole copy
    RowNumber value;
};

class Report;

/// \brief One band per row of its dataset, first to last, with optional groups, a header and a
/// footer printed once around the rows (also when there are none), and detail bands printed after
/// each row for the detail rows that belong to it.
class DataBand : public Band {
public:
    DataBand(Report* report, ReportDataSet* set, double height) : Band(height), report_(report), set_(set) {}

    ReportDataSet* dataSet() const { return set_; }
    /// Groups nest in the order they are added (first is outermost).
    Group& group(RowText key);
    Group& groupOn(const QString& field);
    Band& header() { return header_; }
    Band& footer() { return footer_; }
    /// Detail rows of `set` printed under each row; `belongs` picks the detail rows of a master
    /// row (no predicate: every detail row under every master row).
    DataBand& detail(ReportDataSet* set, double height,
                     std::function<bool(const Row& master, const Row& detail)> belongs = {});
    /// Detail rows whose `detailField` text equals the master row's `masterField` text.
    DataBand& detail(ReportDataSet* set, double height, const QString& masterField, const QString& detailField);
    /// Sum of a field over every row of this band in one copy of the report.
    Sum sum(const QString& field);
    Sum sum(RowNumber fn);

    const std::vector<std::unique_ptr<Group>>& groups() const { return groups_; }
    const Band& headerBand() const { return header_; }
    const Band& footerBand() const { return footer_; }
    struct Detail {
        std::unique_ptr<DataBand> band;
        std::function<bool(const Row&, const Row&)> belongs;
    };
    const std::vector<Detail>& details() const { return details_; }
    Report* report() const { return report_; }

private:
    Report* report_;
    ReportDataSet* set_;
    std::vector<std::unique_ptr<Group>> groups_;
    Band header_;
    Band footer_;
    std::vector<Detail> details_;
};

/// \brief Paper, bands and sums of one layout. Copies run the whole layout again from a new page
/// (the invoice prints the shop's, the customer's and the accounting copy); Context::copy() tells a
/// text which one it is on.
class Report {
public:
    Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    QString title() const { return title_; }
    void setTitle(const QString& t) { title_ = t; }
    /// File name (without ".pdf") the PDF export proposes; the title when empty.
    QString fileName() const { return fileName_.isEmpty() ? title_ : fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    /// Letter (215.9 x 279.4 mm) with 10 mm margins unless set otherwise.
    void setPaper(double widthMm, double heightMm) { paperW_ = widthMm; paperH_ = heightMm; }
    void setMargins(double leftMm, double topMm, double rightMm, double bottomMm);
    void setCopies(int n) { copies_ = n < 1 ? 1 : n; }
    /// The invoice and estimate offer PDF export from their preview; list reports do not.
    void setPdfExport(bool on) { pdfExport_ = on; }

    double paperWidthMm() const { return paperW_; }
    double paperHeightMm() const { return paperH_; }
    double marginLeftMm() const { return mL_; }
    double marginTopMm() const { return mT_; }
    double marginRightMm() const { return mR_; }
    double marginBottomMm() const { return mB_; }
    int copies() const { return copies_; }
    bool pdfExport() const { return pdfExport_; }
    /// Printable width inside the margins, in 1/96 inch.
    double bodyWidth() const;

    Band& pageHeader() { return pageHeader_; }
    Band& pageFooter() { return pageFooter_; }
    /// Printed once at the start of every copy, above the page header of its first page.
    Band& reportTitle() { return reportTitle_; }
    /// Printed once after every data band of a copy.
    Band& reportSummary() { return summary_; }
    /// Data bands print one after the other, each walking its own dataset.
    DataBand& masterData(ReportDataSet* set, double height);
    /// Sum over every row of several bands, or anything else a layout needs summed.
    Sum addSum(SumDef def);

    const Band& pageHeaderBand() const { return pageHeader_; }
    const Band& pageFooterBand() const { return pageFooter_; }
    const Band& reportTitleBand() const { return reportTitle_; }
    const Band& reportSummaryBand() const { return summary_; }
    const std::vector<std::unique_ptr<DataBand>>& dataBands() const { return bands_; }
    const std::vector<SumDef>& sums() const { return sums_; }
    /// Every dataset a band or text uses; also ones a layout reads only through Context::current.
    void useDataSet(ReportDataSet* set);
    const std::vector<ReportDataSet*>& dataSets() const { return sets_; }

private:
    QString title_;
    QString fileName_;
    double paperW_ = 215.9, paperH_ = 279.4;
    double mL_ = 10, mT_ = 10, mR_ = 10, mB_ = 10;
    int copies_ = 1;
    bool pdfExport_ = true;
    Band pageHeader_, pageFooter_, reportTitle_, summary_;
    std::vector<std::unique_ptr<DataBand>> bands_;
    std::vector<SumDef> sums_;
    std::vector<ReportDataSet*> sets_;
};

/// \brief What a text sees while it is printed.
class Context {
public:
    /// The row of the band being printed (data, group and detail bands); elsewhere none.
    const Row& row() const { return row_; }
    /// The current row of any dataset: what a memo outside a data band prints.
    Row current(const ReportDataSet& set) const { return Row(&set, set.currentRow()); }
    int page() const { return page_; }
    /// Zero while pages are laid out: the count is known only after the last page, so a text
    /// printing it is the literal [TotalPages#], filled in when the pages are read.
    int totalPages() const { return totalPages_; }
    /// 0 for the first copy, 1 for the second, ...
    int copy() const { return copy_; }
    Decimal sum(Sum s) const;
    QDate date() const { return date_; }
    QTime time() const { return time_; }

private:
    friend class PageLayouter;
    Row row_;
    int page_ = 1, totalPages_ = 0, copy_ = 0;
    const std::vector<Decimal>* sums_ = nullptr;
    QDate date_;
    QTime time_;
};

/// \brief Money as printed: two decimals, thousands grouped, the shop's US currency format
/// ("$1,234.50", "-$5.00"). The one place printed money is formatted.
QString formatReportMoney(const Decimal& value);

/// \brief Fills [Date] [Time] [Page#] into a literal memo text, and [TotalPages#] when the
/// Context knows the count (otherwise it stays for the pages to fill in).
QString expandLiteral(const QString& literal, const Context& c);

/// Millimetres to the layouts' 1/96 inch units.
constexpr double mmToUnits(double mm) { return mm / 25.4 * 96.0; }

}  // namespace kestrum::report
