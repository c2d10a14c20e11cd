#include "PreparedReport.h"

#include <QFileInfo>
#include <QHash>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>
#include <unordered_map>

namespace kestrum::report {

// The tables every page of one report indexes: shapes and texts, each kept once. Pages only
// ever add to them, so a copy of a report may share them with the report still being laid out.
class PageStore {
public:
    struct Shape {
        DrawOp op;  // text empty; geometry relative to its band
        bool pageCountText = false;
    };
    std::vector<Shape> shapes;
    std::vector<QString> texts;

    quint32 shape(const DrawOp& op, bool pageCountText) {
        const QString key = shapeKey(op, pageCountText);
        const auto it = shapeIndex_.constFind(key);
        if (it != shapeIndex_.cend())
            return *it;
        shapes.push_back(Shape{op, pageCountText});
        shapes.back().op.text.clear();
        shapeIndex_.insert(key, quint32(shapes.size() - 1));
        return quint32(shapes.size() - 1);
    }

    // A text printed again soon (labels, heads, a customer's name on each of its invoices, the same
    // quantity or price) is kept once: a small table of the texts seen last answers without a
    // look-up in a table of every text, whose misses cost more than the copies they would save.
    quint32 text(const QString& t) {
        if (recent_.empty())
            recent_.resize(RecentSlots);
        quint32& slot = recent_[qHash(t) & (RecentSlots - 1)];  // 1 + index; 0 for none
        if (slot && texts[slot - 1] == t)
            return slot - 1;
        texts.push_back(t);
        slot = quint32(texts.size());
        return slot - 1;
    }

    // Once no page is added any more the look-ups are not needed.
    void seal() {
        shapeIndex_ = {};
        recent_ = {};
        texts.shrink_to_fit();
    }

private:
    static QString shapeKey(const DrawOp& op, bool pageCountText) {
        const double geometry[] = {op.rect.x(),     op.rect.y(),     op.rect.width(), op.rect.height(),
                                   op.line.x1(),    op.line.y1(),    op.line.x2(),    op.line.y2(),
                                   op.font.pointSize, op.width};
        QString key = QString::fromLatin1(reinterpret_cast<const char*>(geometry), int(sizeof geometry));
        key += QLatin1Char(char('0' + int(op.kind))) + QString::number(int(op.align)) + QLatin1Char(op.wordWrap ? 'w' : '-') +
               QLatin1Char(op.framed ? 'f' : '-') + QLatin1Char(op.font.bold ? 'b' : '-') +
               QLatin1Char(pageCountText ? 'p' : '-') + QString::number(op.fill.isValid() ? op.fill.rgba() : 0, 16) +
               QLatin1Char(op.fill.isValid() ? 'c' : '-') + op.font.family;
        return key;
    }
    QHash<QString, quint32> shapeIndex_;
    static constexpr size_t RecentSlots = 16384;
    std::vector<quint32> recent_;
};

PreparedReport::PreparedReport() : store_(std::make_shared<PageStore>()) {}
PreparedReport::~PreparedReport() = default;
PreparedReport::PreparedReport(const PreparedReport&) = default;
PreparedReport::PreparedReport(PreparedReport&&) noexcept = default;
PreparedReport& PreparedReport::operator=(const PreparedReport&) = default;
PreparedReport& PreparedReport::operator=(PreparedReport&&) noexcept = default;

void PreparedReport::startPage() {
    // A finished page keeps no room to grow.
    if (!pages_.empty()) {
        pages_.back().placements.shrink_to_fit();
        pages_.back().ops.shrink_to_fit();
    }
    pages_.emplace_back();
}

quint32 PreparedReport::shapeOf(const DrawOp& relative, bool pageCountText) {
    return store_->shape(relative, pageCountText);
}

void PreparedReport::addOp(quint32 shape, const QPointF& origin, const QString& text) {
    addStoredOp(shape, origin, storedText(text));
}

quint32 PreparedReport::storedText(const QString& text) { return text.isEmpty() ? 0u : store_->text(text) + 1; }

void PreparedReport::addStoredOp(quint32 shape, const QPointF& origin, quint32 storedText) {
    if (pages_.empty())
        startPage();
    PackedPage& page = pages_.back();
    if (page.placements.empty() || page.placements.back().x != origin.x() || page.placements.back().y != origin.y())
        page.placements.push_back(Placement{origin.x(), origin.y(), quint32(page.ops.size())});
    page.ops.push_back(PackedOp{shape, storedText});
}

void PreparedReport::setComplete() {
    complete_ = true;
    if (!pages_.empty()) {
        pages_.back().placements.shrink_to_fit();
        pages_.back().ops.shrink_to_fit();
    }
    store_->seal();
}

std::vector<DrawOp> PreparedReport::pageOps(int page) const {
    const PackedPage& packed = pages_.at(size_t(page));
    // Until the last page exists the count is not known.
    const QString count = complete_ ? QString::number(pageCount()) : QStringLiteral("\u2026");
    std::vector<DrawOp> ops;
    ops.reserve(packed.ops.size());
    for (size_t i = 0; i < packed.placements.size(); ++i) {
        const Placement& place = packed.placements[i];
        const size_t end = i + 1 < packed.placements.size() ? packed.placements[i + 1].firstOp : packed.ops.size();
        const QPointF at(place.x, place.y);
        for (size_t k = place.firstOp; k < end; ++k) {
            const PackedOp& p = packed.ops[k];
            const PageStore::Shape& shape = store_->shapes[p.shape];
            DrawOp op = shape.op;
            op.rect.translate(at);
            op.line.translate(at);
            if (p.text)
                op.text = store_->texts[p.text - 1];
            if (shape.pageCountText)
                op.text.replace(QStringLiteral("[TotalPages#]"), count);
            ops.push_back(std::move(op));
        }
    }
    return ops;
}

QString PreparedReport::pageText(int page) const {
    QStringList lines;
    for (const DrawOp& op : pageOps(page))
        if (op.kind == DrawOp::Kind::Text)
            lines << op.text;
    return lines.join(QLatin1Char('\n'));
}

QStringList PreparedReport::textsIn(int page, double top, double height) const {
    QStringList out;
    for (const DrawOp& op : pageOps(page))
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
    // Measuring builds the font's metrics: a text repeated on many rows (a name, a status) is
    // measured once per font and width. Only the GUI thread lays reports out.
    struct Measured {
        QString family;
        double pointSize;
        bool bold;
        double width;
        QString text;
        bool operator==(const Measured&) const = default;
    };
    struct MeasuredHash {
        size_t operator()(const Measured& m) const {
            return qHashMulti(0, m.family, m.pointSize, m.bold, m.width, m.text);
        }
    };
    static std::unordered_map<Measured, double, MeasuredHash> sizes;
    Measured key{f.family, f.pointSize, f.bold, width, text};
    if (const auto it = sizes.find(key); it != sizes.end())
        return Font{f.family, it->second, f.bold};
    if (sizes.size() >= 8192)
        sizes.clear();

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
    sizes.emplace(std::move(key), out.pointSize);
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
    for (const DrawOp& op : pageOps(page)) {
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
    if (pages_.empty())
        return fail(QStringLiteral("The report has no pages."));
    if (!complete_)
        return fail(QStringLiteral("The report is not complete."));
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
    if (!complete_ || pages_.empty())
        return false;
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
