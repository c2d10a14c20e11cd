// PDF export, printing, the preview window and showReport, on the invoice-like sample.
#include "ReportPreview.h"
#include "SampleInvoice.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::report;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree node).
int pdfPageCount(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(pdf).count(page));
}

QString pdfText(const QString& path) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Dark pixels of an image: a page that printed nothing has none.
int inkOf(const QImage& image) {
    int ink = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return ink;
}

}  // namespace

TEST(ReportOutput, InvoiceSampleGivesThreeCopiesWithTotalsInThePdf) {
    SampleInvoice s(3);
    const PreparedReport p = prepareReport(s.report);
    ASSERT_EQ(p.pageCount(), 3);
    // P = 24.68 * (1 + 2 + 3) = 148.08; L = 190; tax 148.08 * 0.0825 = 12.2166.
    for (int i = 0; i < 3; ++i) {
        const QString text = p.pageText(i);
        EXPECT_TRUE(text.contains(QStringLiteral("Total  Part   : $148.08"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("Total Labor  : $190.00"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("Tax on Part : $12.22"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("Total invoice : $350.30"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("Part : Brake pad set 3\nBP-103\n2\n$37.02\n$74.04"))) << i;
    }
    EXPECT_TRUE(p.pageText(0).contains(QStringLiteral(" Kestrel Auto Repair Copy")));
    EXPECT_TRUE(p.pageText(1).contains(QStringLiteral("Customer Copy")));
    EXPECT_TRUE(p.pageText(2).contains(QStringLiteral("Accounting Copy")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("invoice.pdf"));
    QString error;
    ASSERT_TRUE(p.exportPdf(file, &error)) << error.toStdString();
    const QByteArray pdf = readFile(file);
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdfPageCount(pdf), 3);
    const QString text = pdfText(file);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext not installed; PDF text not checked";
    EXPECT_EQ(text.count(QStringLiteral("Total invoice : $350.30")), 3);
    EXPECT_TRUE(text.contains(QStringLiteral("Whitfield Hauling")));
    EXPECT_TRUE(text.contains(QStringLiteral("Accounting Copy")));
    EXPECT_TRUE(text.contains(QStringLiteral("Labor : Road test")));
}

TEST(ReportOutput, LongInvoiceRunsOverPagesPerCopyWithTotalsOncePerCopy) {
    SampleInvoice s(60);
    const PreparedReport p = prepareReport(s.report);
    // Body 980.4 - 220 - 123: 31 part rows fit on a page; the rest, the labor and the totals follow.
    ASSERT_EQ(p.pageCount(), 9);
    int totals = 0;
    for (int i = 0; i < p.pageCount(); ++i) {
        const QString text = p.pageText(i);
        EXPECT_TRUE(text.contains(QStringLiteral("Invoice\n"))) << i;
        EXPECT_TRUE(text.contains(QStringLiteral("ADDRESS : 400 Main Street"))) << i;
        const QString label = i < 3 ? QStringLiteral("Kestrel Auto Repair Copy")
                              : i < 6 ? QStringLiteral("Customer Copy") : QStringLiteral("Accounting Copy");
        EXPECT_TRUE(text.contains(label)) << i;
        totals += text.count(QStringLiteral("Total invoice : "));
    }
    EXPECT_EQ(totals, 3);
    EXPECT_TRUE(p.pageText(0).contains(QStringLiteral("Brake pad set 31\n")));
    EXPECT_FALSE(p.pageText(0).contains(QStringLiteral("Brake pad set 32\n")));
    EXPECT_TRUE(p.pageText(2).contains(QStringLiteral("Total invoice : ")));
}

TEST(ReportOutput, FailedExportSaysWhyAndSuccessfulOneReplacesTheFile) {
    SampleInvoice s(1);
    const PreparedReport p = prepareReport(s.report);
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(p.exportPdf(dir.filePath(QStringLiteral("missing/invoice.pdf")), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write invoice.pdf"))) << error.toStdString();

    const QString file = dir.filePath(QStringLiteral("old.pdf"));
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(200000, 'x'));
    }
    ASSERT_TRUE(p.exportPdf(file, &error));
    const QByteArray pdf = readFile(file);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_FALSE(pdf.contains("xxxxxxxxxx"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
}

TEST(ReportOutput, PageImageShowsTheLayout) {
    SampleInvoice s(4);
    const PreparedReport p = prepareReport(s.report);
    const QImage page = p.toImage(0, 96);
    EXPECT_EQ(page.size(), QSize(816, 1056));
    EXPECT_GT(inkOf(page), 1000);
    // KESTRUM_REPORT_PNG names a file to look at the page with.
    const QString out = qEnvironmentVariable("KESTRUM_REPORT_PNG");
    if (!out.isEmpty()) {
        EXPECT_TRUE(p.toImage(0, 150).save(out));
    }
}

TEST(ReportPreviewWindow, NavigatesZoomsPrintsAndExports) {
    QTemporaryDir dir;
    const QString pdfFile = dir.filePath(QStringLiteral("export.pdf"));
    const QString printFile = dir.filePath(QStringLiteral("printed.pdf"));
    QStringList errors;
    PreviewHooks previous = setPreviewHooks(PreviewHooks{
        [&](QWidget*, const QString& suggested) {
            EXPECT_TRUE(suggested.endsWith(QStringLiteral("Invoice 1041.pdf")));
            return pdfFile;
        },
        [&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printFile);
            return true;
        },
        [&](QWidget*, const QString& text) { errors << text; }});

    SampleInvoice s(2);
    TReportPreview preview(prepareReport(s.report));
    preview.show();
    auto* label = preview.findChild<QLabel*>(QStringLiteral("PageLabel"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), QStringLiteral("Page 1 of 3"));
    auto click = [&](const char* name) {
        auto* b = preview.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(b) << name;
        EXPECT_TRUE(b->isEnabled()) << name;
        b->click();
    };
    EXPECT_FALSE(preview.findChild<QPushButton*>(QStringLiteral("PriorButton"))->isEnabled());
    click("NextButton");
    EXPECT_EQ(preview.currentPage(), 1);
    click("LastButton");
    EXPECT_EQ(label->text(), QStringLiteral("Page 3 of 3"));
    EXPECT_FALSE(preview.findChild<QPushButton*>(QStringLiteral("NextButton"))->isEnabled());
    click("FirstButton");
    EXPECT_EQ(preview.currentPage(), 0);

    preview.setZoom(2.0);
    EXPECT_DOUBLE_EQ(preview.zoom(), 2.0);
    EXPECT_EQ(preview.findChild<QComboBox*>(QStringLiteral("ZoomBox"))->currentText(), QStringLiteral("200%"));
    preview.fitWidth();
    EXPECT_LT(preview.zoom(), 2.0);
    EXPECT_GT(inkOf(preview.grab().toImage()), 500);

    click("ExportPdfButton");
    EXPECT_EQ(pdfPageCount(readFile(pdfFile)), 3);
    click("PrintButton");
    const QByteArray printed = readFile(printFile);
    EXPECT_TRUE(printed.startsWith("%PDF-"));
    EXPECT_EQ(pdfPageCount(printed), 3);
    EXPECT_TRUE(errors.isEmpty());

    // A list report offers no PDF export.
    s.report.setPdfExport(false);
    TReportPreview list(prepareReport(s.report));
    list.show();
    EXPECT_FALSE(list.findChild<QPushButton*>(QStringLiteral("ExportPdfButton"))->isVisible());
    EXPECT_FALSE(list.exportPdf());
    setPreviewHooks(previous);
}

TEST(ReportPreviewWindow, ShowReportOpensThePreviewOrHandsPagesToTheCapture) {
    SampleInvoice s(1);
    {
        ReportCapture capture;
        showReport(s.report);
        showReport(s.report);
        ASSERT_EQ(capture.reports().size(), 2u);
        EXPECT_EQ(capture.reports()[0].pageCount(), 3);
    }
    // Without a capture the modal preview opens; close it from the event loop.
    int pages = -1;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<TReportPreview*>(QApplication::activeModalWidget());
        if (preview) {
            // Later pages are laid out while the preview is open.
            EXPECT_TRUE(preview->finishReport());
            pages = preview->report().pageCount();
            preview->accept();
        }
    });
    showReport(s.report);
    EXPECT_EQ(pages, 3);
}
