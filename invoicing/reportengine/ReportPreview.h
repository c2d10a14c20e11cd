#pragma once
// The report preview and the one call printing windows make: showReport(report).
#include "PreparedReport.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QTimer;

namespace kestrum::report {

/// \brief The dialogs the preview opens, replaceable so tests can answer them without a user.
struct PreviewHooks {
    /// File to export to ("" = cancelled). Default: a save-file dialog.
    std::function<QString(QWidget* parent, const QString& suggested)> pdfFileName;
    /// Sets up `printer`; false = cancelled. Default: the print dialog.
    std::function<bool(QPrinter& printer, QWidget* parent)> printSetup;
    /// Tells the user why an export or print failed. Default: a warning box.
    std::function<void(QWidget* parent, const QString& text)> error;
};
/// Installs hooks (empty members keep the defaults) and returns the previous ones.
PreviewHooks setPreviewHooks(PreviewHooks hooks);

class PageView;

/// \brief Shows the pages of a report with zoom and page navigation; Print sends them to a
/// printer, "Export PDF" (when the report offers it) to a file. Given a producer, it shows the
/// first page at once and lays out the later ones between the user's events ("Page 1 of …" until
/// the last exists); a page asked for before its turn, Print and Export PDF lay out what they need
/// first. A fault while laying out later pages is shown and stops the report: what is shown
/// stays, Print and Export PDF are no longer offered.
class TReportPreview : public QDialog {
    Q_OBJECT
public:
    /// A report laid out whole.
    explicit TReportPreview(PreparedReport report, QWidget* parent = nullptr);
    /// \brief Lays out the first page now (its faults are thrown from here) and the rest later.
    explicit TReportPreview(std::unique_ptr<PageProducer> producer, QWidget* parent = nullptr);
    ~TReportPreview() override;

    /// The pages laid out so far (all of them once complete()).
    const PreparedReport& report() const { return producer_ ? producer_->pages() : report_; }
    /// Whether every page is laid out.
    bool complete() const { return report().complete(); }
    /// Whether laying out stopped on a fault.
    bool failed() const { return producer_ && producer_->failed(); }
    /// \brief Lays out the rest of the report now; false (the fault shown) when that fails.
    bool finishReport();
    int currentPage() const { return page_; }
    void setPage(int page);
    /// Zoom factor, 1 = natural size.
    double zoom() const;
    void setZoom(double zoom);
    /// Zooms so a whole page width fits the window.
    void fitWidth();

    void printReport();
    /// Asks for a file and writes the PDF there; true when written.
    bool exportPdf();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void zoomChosen(int index);
    void updateControls();
    void produceSome();
    void stopped(const QString& why);
    int shownPages() const;  // pages that can be shown now

    PreparedReport report_;
    std::unique_ptr<PageProducer> producer_;
    QTimer* work_ = nullptr;
    int page_ = 0;
    bool fitWidth_ = false;
    PageView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* prior_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* last_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* pdf_ = nullptr;
};

/// \brief Shows the report in the preview (modal) as soon as its first page is laid out from its
/// datasets as they stand; later pages follow while the preview is open. Data faults of the first
/// page (unknown field, failing query) propagate to the caller's error handling; later ones are
/// shown by the preview. The report and its datasets must live until this returns.
void showReport(const Report& report, QWidget* parent = nullptr);

/// \brief While installed, showReport hands the built pages to `hook` instead of showing the
/// preview (tests). Returns the previous hook; an empty function restores the preview.
using ShowReportHook = std::function<void(const PreparedReport&)>;
ShowReportHook setShowReportHook(ShowReportHook hook);

/// \brief While installed (and no ShowReportHook is), showReport shows the preview without a
/// modal loop of its own as soon as its first page is laid out, hands it to `hook` and closes it
/// when the hook returns (tests and timings drive it from there). Returns the previous hook.
using PreviewHook = std::function<void(TReportPreview&)>;
PreviewHook setPreviewHook(PreviewHook hook);

/// \brief Scope guard for tests: collects every report shown while it lives.
class ReportCapture {
public:
    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;
    const std::vector<PreparedReport>& reports() const { return reports_; }

private:
    std::vector<PreparedReport> reports_;
    ShowReportHook previous_;
};

}  // namespace kestrum::report
