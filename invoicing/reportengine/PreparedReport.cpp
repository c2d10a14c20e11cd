#include "PreparedReport.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>

namespace kestrum::report {

QString PreparedReport::pageText(int page) const {
    QStringList lines;
    for (const DrawOp& op : pages.at(size_t(page)).ops)
        if (op.kind == DrawOp::Kind::Text)
            lines << op.text;
    return lines.join(QLatin1Char('\n'));
}

QStringList PreparedReport::textsIn(int page, double top, double height) const {
    QStringList out;
    for (const DrawOp& op : pages.at(size_t(page)).ops)
        if (op.kind == DrawOp::Kind::Text && op.rect.top() >= top - 0.001 && op.rect.top() < top + height - 0.001)
            out << op.text;
    return out;
}

// Fonts are sized for the painter's device and then scaled with the painter, so a point is
// 1/72 inch on paper whatever the device's resolution.
QFont deviceFont(const Font& f, const QPaintDevice* device) {
    QFont font(f.family);
    font.setBold(f.bold);
    const int dpi = device ? device->logicalDpiY() : 96;
    font.setPointSizeF(f.pointSize * 96.0 / (dpi > 0 ? dpi : 96));
    return font;
}

Font fittedFont(const Font& f, const QString& text, double width) {
    // The painter insets texts by 2 units on each side; a little more keeps printers' hinting,
    // which measures slightly wider than the screen, inside the memo too.
    const double room = width - 4 - 2;
    constexpr double smallest = 4;
    Font out = f;
    while (out.pointSize > smallest) {
        const QFontMetricsF metrics(deviceFont(out, nullptr));
        const double needed = metrics.horizontalAdvance(text);
        if (needed <= room)
            break;
        out.pointSize = std::max(smallest, out.pointSize * std::max(0.5, room / needed) - 0.1);
    }
    return out;
}

void PreparedReport::paintPage(int page, QPainter& p, const QRectF& target) const {
    const QSizeF size = pageSize();
    p.save();
    p.fillRect(target, Qt::white);
    p.translate(target.topLeft());
    p.scale(target.width() / size.width(), target.height() / size.height());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const DrawOp& op : pages.at(size_t(page)).ops) {
        QPen pen(Qt::black, op.width);
        pen.setCosmetic(false);
        switch (op.kind) {
        case DrawOp::Kind::Text: {
            if (op.framed) {
                p.setPen(QPen(Qt::black, 1));
                p.setBrush(Qt::NoBrush);
                p.drawRect(op.rect);
            }
            if (op.text.isEmpty())
                break;
            p.setPen(Qt::black);
            p.setFont(deviceFont(op.font, p.device()));
            p.save();
            p.setClipRect(op.rect, Qt::IntersectClip);
            int flags = int(op.align);
            if (op.wordWrap)
                flags |= Qt::TextWordWrap;
            // A small inset keeps framed texts off their frame, as memos do.
            p.drawText(op.rect.adjusted(2, 0, -2, 0), flags, op.text);
            p.restore();
            break;
        }
        case DrawOp::Kind::Line:
            p.setPen(pen);
            p.drawLine(op.line);
            break;
        case DrawOp::Kind::Rect:
            p.setPen(pen);
            p.setBrush(op.fill.isValid() ? QBrush(op.fill) : QBrush(Qt::NoBrush));
            p.drawRect(op.rect);
            break;
        }
    }
    p.restore();
}

QImage PreparedReport::toImage(int page, double dpi) const {
    const QSizeF size = pageSize() * (dpi / 96.0);
    QImage image(size.toSize(), QImage::Format_RGB32);
    const int dpm = int(dpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter p(&image);
    paintPage(page, p, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

static QPageSize paperOf(const PreparedReport& r) {
    return QPageSize(QSizeF(r.widthMm, r.heightMm), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
}

bool PreparedReport::exportPdf(const QString& fileName, QString* error) const {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (pages.empty())
        return fail(QStringLiteral("The report has no pages."));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Cannot write %1: %2").arg(QFileInfo(fileName).fileName(), file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setPageSize(paperOf(*this));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1200);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Kestrum"));
        QPainter p;
        if (!p.begin(&writer))
            return fail(QStringLiteral("Cannot start the PDF document %1").arg(QFileInfo(fileName).fileName()));
        for (int i = 0; i < pageCount(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(i, p, QRectF(0, 0, writer.width(), writer.height()));
        }
        p.end();
    }
    if (!file.commit())
        return fail(QStringLiteral("Cannot write %1: %2").arg(QFileInfo(fileName).fileName(), file.errorString()));
    return true;
}

bool PreparedReport::print(QPrinter& printer) const {
    printer.setFullPage(true);
    printer.setPageSize(paperOf(*this));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!title.isEmpty() && printer.docName().isEmpty())
        printer.setDocName(title);
    int first = 0, last = pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(0, printer.fromPage() - 1);
        last = std::min(last, std::max(first, printer.toPage() - 1));
    }
    QPainter p;
    if (!p.begin(&printer))
        return false;
    for (int i = first; i <= last; ++i) {
        if (i > first)
            printer.newPage();
        const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
        paintPage(i, p, QRectF(0, 0, paper.width(), paper.height()));
    }
    return p.end();
}

}  // namespace kestrum::report
