#include "ReportPreview.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kestrum::report {

namespace {

PreviewHooks& hooks() {
    static PreviewHooks h;
    return h;
}

ShowReportHook& showHook() {
    static ShowReportHook h;
    return h;
}

PreviewHook& previewHook() {
    static PreviewHook h;
    return h;
}

// Layout work done between two events: short enough that the preview stays responsive.
constexpr int SliceMs = 25;
// Layout done after the first page before the preview opens: a report of a few pages (an
// invoice) opens whole, with its page count, and a long one opens no later for it.
constexpr int EagerMs = 40;

QString askPdfFile(QWidget* parent, const QString& suggested) {
    if (hooks().pdfFileName)
        return hooks().pdfFileName(parent, suggested);
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Export PDF"), suggested,
                                        QStringLiteral("PDF files (*.pdf)"));
}

// The folder of the last export: the next one is proposed there.
QString& lastPdfFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

bool setUpPrinter(QPrinter& printer, QWidget* parent) {
    if (hooks().printSetup)
        return hooks().printSetup(printer, parent);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void tellError(QWidget* parent, const QString& text) {
    if (hooks().error)
        hooks().error(parent, text);
    else
        QMessageBox::warning(parent, QStringLiteral("Report"), text);
}

const double zoomSteps[] = {0.5, 0.75, 1.0, 1.5, 2.0};
constexpr int fitWidthIndex = 5;

}  // namespace

PreviewHooks setPreviewHooks(PreviewHooks h) {
    PreviewHooks old = hooks();
    hooks() = std::move(h);
    return old;
}

// Paints one page at the preview's zoom.
class PageView : public QWidget {
public:
    PageView(std::function<const PreparedReport&()> report, QWidget* parent) : QWidget(parent), report_(std::move(report)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void showPage(int page, double zoom) {
        page_ = page;
        zoom_ = zoom;
        resize(pixelSize());
        update();
    }
    double zoom() const { return zoom_; }
    QSize sizeHint() const override { return pixelSize(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().dark());
        const PreparedReport& r = report_();
        if (page_ >= 0 && page_ < r.pageCount())
            r.paintPage(page_, p, QRectF(QPointF(0, 0), QSizeF(pixelSize())));
    }

private:
    QSize pixelSize() const {
        return (report_().pageSize() * zoom_ * logicalDpiX() / 96.0).toSize();
    }
    std::function<const PreparedReport&()> report_;
    int page_ = 0;
    double zoom_ = 1.0;
};

TReportPreview::TReportPreview(PreparedReport report, QWidget* parent)
    : QDialog(parent), report_(std::move(report)) {
    build();
}

TReportPreview::TReportPreview(std::unique_ptr<PageProducer> producer, QWidget* parent)
    : QDialog(parent), producer_(std::move(producer)) {
    producer_->producePage(0);
    work_ = new QTimer(this);
    work_->setSingleShot(true);
    connect(work_, &QTimer::timeout, this, &TReportPreview::produceSome);
    build();
    if (!producer_->done())
        work_->start(0);
}

void TReportPreview::build() {
    const PreparedReport& r = report();
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(r.title.isEmpty() ? QStringLiteral("Preview") : r.title);
    auto* bar = new QHBoxLayout;
    auto button = [&](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    print_ = button(QStringLiteral("PrintButton"), QStringLiteral("Print"));
    pdf_ = button(QStringLiteral("ExportPdfButton"), QStringLiteral("Export PDF"));
    pdf_->setVisible(r.pdfExport);
    zoomBox_ = new QComboBox(this);
    zoomBox_->setObjectName(QStringLiteral("ZoomBox"));
    for (double z : zoomSteps)
        zoomBox_->addItem(QStringLiteral("%1%").arg(int(z * 100)));
    zoomBox_->addItem(QStringLiteral("Page width"));
    bar->addWidget(zoomBox_);
    first_ = button(QStringLiteral("FirstButton"), QStringLiteral("|<"));
    prior_ = button(QStringLiteral("PriorButton"), QStringLiteral("<"));
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("PageLabel"));
    bar->addWidget(pageLabel_);
    next_ = button(QStringLiteral("NextButton"), QStringLiteral(">"));
    last_ = button(QStringLiteral("LastButton"), QStringLiteral(">|"));
    bar->addStretch();
    QPushButton* close = button(QStringLiteral("CloseButton"), QStringLiteral("Close"));

    view_ = new PageView([this]() -> const PreparedReport& { return report(); }, this);
    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setWidget(view_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);

    connect(print_, &QPushButton::clicked, this, &TReportPreview::printReport);
    connect(pdf_, &QPushButton::clicked, this, &TReportPreview::exportPdf);
    connect(first_, &QPushButton::clicked, this, [this] { setPage(0); });
    connect(prior_, &QPushButton::clicked, this, [this] { setPage(page_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { setPage(page_ + 1); });
    connect(last_, &QPushButton::clicked, this, [this] {
        if (finishReport())
            setPage(report().pageCount() - 1);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(zoomBox_, &QComboBox::activated, this, &TReportPreview::zoomChosen);

    resize(900, 1000);
    zoomBox_->setCurrentIndex(2);
    view_->showPage(0, 1.0);
    updateControls();
}

TReportPreview::~TReportPreview() = default;

int TReportPreview::shownPages() const { return producer_ ? producer_->finishedPages() : report_.pageCount(); }

void TReportPreview::setPage(int page) {
    if (page < 0 || page == page_)
        return;
    if (page >= shownPages() && producer_ && !producer_->done() && !producer_->failed()) {
        // A page not laid out yet is laid out now.
        try {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            producer_->producePage(page);
            QApplication::restoreOverrideCursor();
        } catch (const std::exception& e) {
            QApplication::restoreOverrideCursor();
            stopped(QString::fromUtf8(e.what()));
        }
    }
    if (page >= shownPages())
        return;
    page_ = page;
    view_->showPage(page_, view_->zoom());
    scroll_->verticalScrollBar()->setValue(0);
    updateControls();
}

double TReportPreview::zoom() const { return view_->zoom(); }

void TReportPreview::setZoom(double zoom) {
    fitWidth_ = false;
    zoom = std::clamp(zoom, 0.1, 8.0);
    view_->showPage(page_, zoom);
    int index = -1;
    for (int i = 0; i < int(std::size(zoomSteps)); ++i)
        if (qFuzzyCompare(zoomSteps[i], zoom))
            index = i;
    if (index >= 0)
        zoomBox_->setCurrentIndex(index);
}

void TReportPreview::fitWidth() {
    const double avail = scroll_->viewport()->width() - 8;
    const double natural = report().pageSize().width() * view_->logicalDpiX() / 96.0;
    view_->showPage(page_, std::max(0.1, avail / natural));
    fitWidth_ = true;
    zoomBox_->setCurrentIndex(fitWidthIndex);
}

void TReportPreview::zoomChosen(int index) {
    if (index == fitWidthIndex)
        fitWidth();
    else if (index >= 0 && index < int(std::size(zoomSteps)))
        setZoom(zoomSteps[index]);
}

void TReportPreview::updateControls() {
    const int n = shownPages();
    const bool more = !complete() && !failed();
    const QString of = complete() ? QString::number(n)
                                  : failed() ? QStringLiteral("\u2026 (stopped)") : QStringLiteral("\u2026");
    pageLabel_->setText(QStringLiteral("Page %1 of %2").arg(n ? page_ + 1 : 0).arg(of));
    first_->setEnabled(page_ > 0);
    prior_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < n || more);
    last_->setEnabled(page_ + 1 < n || more);
    // Half a report is never printed or written as if it were the whole.
    print_->setEnabled(!failed());
    pdf_->setEnabled(!failed());
}

void TReportPreview::produceSome() {
    if (!producer_ || producer_->done() || producer_->failed())
        return;
    const bool wasComplete = complete();
    try {
        if (producer_->produceFor(SliceMs))
            work_->start(0);
    } catch (const std::exception& e) {
        stopped(QString::fromUtf8(e.what()));
        return;
    }
    updateControls();
    // The page count now printed on the page shown.
    if (complete() && !wasComplete)
        view_->update();
}

bool TReportPreview::finishReport() {
    if (!producer_ || complete())
        return true;
    if (producer_->failed())
        return false;
    work_->stop();
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        producer_->produceAll();
        QApplication::restoreOverrideCursor();
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        stopped(QString::fromUtf8(e.what()));
        return false;
    }
    updateControls();
    view_->update();
    return true;
}

void TReportPreview::stopped(const QString& why) {
    if (work_)
        work_->stop();
    updateControls();
    tellError(this, QStringLiteral("The report could not be finished: %1").arg(why));
}

void TReportPreview::printReport() {
    if (!finishReport())
        return;
    const PreparedReport& r = report();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(r.title);
    printer.setFromTo(1, r.pageCount());
    if (!setUpPrinter(printer, this))
        return;
    if (!r.print(printer))
        tellError(this, QStringLiteral("The report could not be sent to the printer."));
}

bool TReportPreview::exportPdf() {
    if (!report().pdfExport || !finishReport())
        return false;
    const PreparedReport& r = report();
    QString base = r.fileName.isEmpty() ? r.title : r.fileName;
    // The name becomes a file name: nothing in it may reach another folder.
    base.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("-"));
    if (base.trimmed().isEmpty() || base.startsWith(QLatin1Char('.')))
        base = QStringLiteral("report") + base;
    const QString file = askPdfFile(this, QDir(lastPdfFolder()).filePath(base + QStringLiteral(".pdf")));
    if (file.isEmpty())
        return false;
    QString error;
    if (!r.exportPdf(file, &error)) {
        tellError(this, error);
        return false;
    }
    lastPdfFolder() = QFileInfo(file).absolutePath();
    return true;
}

void TReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
        setPage(page_ + 1);
        return;
    case Qt::Key_PageUp:
        setPage(page_ - 1);
        return;
    case Qt::Key_Home:
        setPage(0);
        return;
    case Qt::Key_End:
        if (finishReport())
            setPage(report().pageCount() - 1);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TReportPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (fitWidth_)
        fitWidth();
}

void showReport(const Report& report, QWidget* parent) {
    if (showHook()) {
        showHook()(prepareReport(report));
        return;
    }
    auto producer = std::make_unique<PageProducer>(report);
    producer->producePage(0);
    producer->produceFor(EagerMs);
    TReportPreview preview(std::move(producer), parent);
    if (previewHook()) {
        preview.show();
        previewHook()(preview);
        return;
    }
    preview.exec();
}

PreviewHook setPreviewHook(PreviewHook hook) {
    PreviewHook old = std::move(previewHook());
    previewHook() = std::move(hook);
    return old;
}

ShowReportHook setShowReportHook(ShowReportHook hook) {
    ShowReportHook old = std::move(showHook());
    showHook() = std::move(hook);
    return old;
}

ReportCapture::ReportCapture() {
    previous_ = setShowReportHook([this](const PreparedReport& r) { reports_.push_back(r); });
}

ReportCapture::~ReportCapture() { setShowReportHook(std::move(previous_)); }

}  // namespace kestrum::report
