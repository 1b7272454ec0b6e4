#include "printing/ui/page_painter.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTextLayout>

#include <cmath>
#include <memory>

QFont pageFont(const PageFont& f) {
    QFont font(f.family);
    font.setPointSizeF(f.pointSize);
    font.setBold(f.bold);
    font.setUnderline(f.underline);
    // Placed by the layout, so no hinting may shift glyphs between preview and paper. Without
    // shaping the CJK fonts keep their plain digit glyphs (shaped pairs such as "01" get glyphs a
    // PDF cannot map back to text, so a saved document could not be searched or copied).
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

namespace {

QColor colourOf(quint32 argb) { return QColor::fromRgba(argb); }

QPen penOf(const PageItem& item, QPaintDevice* device) {
    QPen pen(colourOf(item.colour));
    pen.setWidthF(std::max(1.0, item.penPoints * device->logicalDpiX() / 72.0));
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// A text laid out in lines as wide as a box. Lines that would reach below the box's foot are left
// out (the first always stays), so no half glyphs show and no line is drawn over another.
struct BoxText {
    std::unique_ptr<QTextLayout> layout;
    int lines = 0;
    double height = 0;
    bool whole = true;  // every line kept, none wider than the box
};

BoxText layOutBox(const QString& text, const QFont& font, QPaintDevice* device, const QRectF& rect,
                  Qt::Alignment align, bool wrap) {
    BoxText box;
    // Line ends typed into a note are breaks of their own.
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    lines.replace(QLatin1Char('\n'), QChar::LineSeparator);
    box.layout = std::make_unique<QTextLayout>(lines, font, device);
    QTextOption option(align & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    box.layout->setTextOption(option);
    box.layout->beginLayout();
    while (true) {
        QTextLine line = box.layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        if (box.lines > 0 && box.height + line.height() > rect.height() + 0.5) {
            box.whole = false;
            break;
        }
        line.setPosition(QPointF(0, box.height));
        box.height += line.height();
        if (line.naturalTextWidth() > rect.width() + 0.5)
            box.whole = false;
        ++box.lines;
    }
    box.layout->endLayout();
    if (box.lines == 1 && box.height > rect.height() + 0.5)
        box.whole = false;
    return box;
}

// The box's text at its own size, or, for a fitted box, at the largest size from there down to its
// smallest at which it fits: on one line first, else wrapped.
BoxText fitBox(const PageItem& item, QPaintDevice* device, const QRectF& rect) {
    QFont font = pageFont(item.font);
    const double smallest = item.minPointSize;
    if (smallest <= 0 || smallest >= item.font.pointSize)
        return layOutBox(item.text, font, device, rect, item.align, item.wrap);
    for (bool wrap : {false, true}) {
        if (wrap && !item.wrap)
            break;
        for (double size = item.font.pointSize; size >= smallest - 1e-9; size -= 0.5) {
            font.setPointSizeF(size);
            BoxText box = layOutBox(item.text, font, device, rect, item.align, wrap);
            if (box.whole)
                return box;
        }
    }
    font.setPointSizeF(smallest);
    return layOutBox(item.text, font, device, rect, item.align, item.wrap);
}

void paintBox(QPainter& painter, const PageItem& item, const QRectF& rect) {
    const BoxText box = fitBox(item, painter.device(), rect);
    double top = rect.top();
    if (item.align & Qt::AlignVCenter)
        top += std::max(0.0, (rect.height() - box.height) / 2);
    painter.save();
    painter.setClipRect(rect.adjusted(0, 0, 0, 0.5));
    painter.setPen(colourOf(item.colour));
    for (int i = 0; i < box.lines; ++i)
        box.layout->lineAt(i).draw(&painter, QPointF(rect.left(), top));
    painter.restore();
}

}  // namespace

void paintPageItems(QPainter& painter, const PageItems& items, double k) {
    for (const PageItem& item : items) {
        const QRectF r(item.rect.left() * k, item.rect.top() * k, item.rect.width() * k, item.rect.height() * k);
        switch (item.kind) {
        case PageItem::Kind::Text: {
            const QFont font = pageFont(item.font);
            const QFontMetricsF metrics(font, painter.device());
            // Trailing blanks count, as they do on paper, for right and centred texts.
            const double width = metrics.horizontalAdvance(item.text);
            double x = r.left();
            if (item.align & Qt::AlignRight)
                x -= width;
            else if (item.align & Qt::AlignHCenter)
                x -= width / 2;
            painter.setFont(font);
            painter.setPen(colourOf(item.colour));
            painter.drawText(QPointF(x, r.top() + metrics.ascent()), item.text);
            break;
        }
        case PageItem::Kind::Box:
            paintBox(painter, item, r);
            break;
        case PageItem::Kind::Line:
            painter.setPen(penOf(item, painter.device()));
            painter.drawLine(QLineF(r.topLeft(), r.bottomRight()));
            break;
        case PageItem::Kind::Frame:
            painter.setPen(penOf(item, painter.device()));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r);
            break;
        case PageItem::Kind::Fill:
            painter.fillRect(r, colourOf(item.fill));
            break;
        }
    }
}

void setupPrinterPage(QPrinter& printer, const PagedDocument& document) {
    printer.setPageSize(QPageSize(document.paperMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    printer.setPageMargins(QMarginsF(document.marginLeft, document.marginTop, document.marginRight,
                                     document.marginBottom),
                           QPageLayout::Millimeter);
}

bool paintDocument(QPrinter& printer, const PagedDocument& document) {
    // From the paper's edge, so the positions hold on printers whose printable area differs.
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double k = printer.resolution() / 25.4;
    for (int i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        painter.save();
        painter.translate(document.marginLeft * k, document.marginTop * k);
        paintPageItems(painter, document.pages[i], k);
        painter.restore();
    }
    return painter.end();
}

TextMeasure textMeasure(QPaintDevice* device) {
    const double mmPerDot = 25.4 / device->logicalDpiY();
    TextMeasure m;
    m.width = [device, mmPerDot](const QString& text, const PageFont& font) {
        return QFontMetricsF(pageFont(font), device).horizontalAdvance(text) * mmPerDot;
    };
    m.lineHeight = [device, mmPerDot](const PageFont& font) {
        return QFontMetricsF(pageFont(font), device).height() * mmPerDot;
    };
    m.wrappedHeight = [device, mmPerDot](const QString& text, const PageFont& font, double widthMm) {
        QTextLayout layout(text, pageFont(font), device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        double h = 0;
        while (true) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(widthMm / mmPerDot);
            h += line.height();
        }
        layout.endLayout();
        if (h <= 0)
            h = QFontMetricsF(pageFont(font), device).height();
        return h * mmPerDot;
    };
    return m;
}

namespace {

void dialogPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.resize(800, 600);
    if (auto* view = dialog.findChild<QPrintPreviewWidget*>())
        view->fitInView();
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&paint](QPrinter* p) { paint(p); });
    dialog.exec();
}

PrintPreviewRunner& currentRunner() {
    static PrintPreviewRunner runner;
    return runner;
}

}  // namespace

void runPrintPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    if (currentRunner())
        currentRunner()(parent, printer, paint);
    else
        dialogPreview(parent, printer, paint);
}

PrintPreviewRunner setPrintPreviewRunner(PrintPreviewRunner runner) {
    PrintPreviewRunner previous = currentRunner();
    currentRunner() = std::move(runner);
    return previous;
}
