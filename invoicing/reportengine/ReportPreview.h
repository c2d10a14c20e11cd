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

/// \brief Shows the pages of a prepared report with zoom and page navigation; Print sends them to a
/// printer, "Export PDF" (when the report offers it) to a file.
class TReportPreview : public QDialog {
    Q_OBJECT
public:
    explicit TReportPreview(PreparedReport report, QWidget* parent = nullptr);
    ~TReportPreview() override;

    const PreparedReport& report() const { return report_; }
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
    void zoomChosen(int index);
    void updateControls();

    PreparedReport report_;
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

/// \brief Builds the report from its datasets as they stand and shows it in the preview (modal).
/// Data faults (unknown field, failing query) propagate to the caller's error handling.
void showReport(const Report& report, QWidget* parent = nullptr);

/// \brief While installed, showReport hands the built pages to `hook` instead of showing the
/// preview (tests). Returns the previous hook; an empty function restores the preview.
using ShowReportHook = std::function<void(const PreparedReport&)>;
ShowReportHook setShowReportHook(ShowReportHook hook);

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
