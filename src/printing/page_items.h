#pragma once
// PageItem: what a printed page is made of (texts, rules, frames, wrapped text boxes, fills),
// placed in layout units: millimetres for the documents and the POS receipt.
// The layouts are computed here without any painting; printing/ui paints them.
#include <QRectF>
#include <QString>
#include <QVector>
#include <functional>

struct PageFont {
    QString family = QStringLiteral("宋体");
    double pointSize = 10;
    bool bold = false;
    bool underline = false;

    static PageFont song(double size, bool bold = false) { return {QStringLiteral("宋体"), size, bold, false}; }
};

struct PageItem {
    enum class Kind {
        Text,  // one line: `at` is its top, left/right edge or centre by `align`
        Box,   // text wrapped inside `rect` and cut at its edges
        Line,  // from rect.topLeft() to rect.bottomRight()
        Frame, // the outline of `rect`
        Fill,  // `rect` filled with `fill`
    };
    Kind kind = Kind::Text;
    QRectF rect;
    QString text;
    PageFont font;
    Qt::Alignment align = Qt::AlignLeft;
    double penPoints = 0.75;     // rule width in points
    quint32 colour = 0xff000000; // text and rule colour, ARGB
    quint32 fill = 0;            // Fill: ARGB
    bool wrap = true;            // Box: wrap at word and character boundaries; else one cut line
    // Box: above 0, a text too large for the box is set smaller, down to this size: on one line if
    // it can be, else (with `wrap`) wrapped within the box's height.
    double minPointSize = 0;

    QPointF at() const { return rect.topLeft(); }
};

using PageItems = QVector<PageItem>;

// Shorthands for building layouts.
PageItem pageText(double x, double y, const QString& text, const PageFont& font, Qt::Alignment align = Qt::AlignLeft);
PageItem pageBox(const QRectF& rect, const QString& text, const PageFont& font, Qt::Alignment align = Qt::AlignLeft,
                 bool wrap = true);
// A box whose text shrinks to fit it, down to `minPointSize` (see PageItem::minPointSize).
PageItem pageFittedBox(const QRectF& rect, const QString& text, const PageFont& font, double minPointSize,
                       Qt::Alignment align = Qt::AlignLeft, bool wrap = true);
PageItem pageLine(double x1, double y1, double x2, double y2, double penPoints = 0.75);
PageItem pageFrame(const QRectF& rect, double penPoints = 0.75);
PageItem pageFill(const QRectF& rect, quint32 argb);

// A document: its paper, margins (both in millimetres) and its pages.
struct PagedDocument {
    QSizeF paperMm{210, 297};
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    QVector<PageItems> pages;
};

// How tall and wide texts come out, for layouts whose rows grow with their text. Millimetres.
struct TextMeasure {
    std::function<double(const QString& text, const PageFont& font)> width;
    std::function<double(const PageFont& font)> lineHeight;
    std::function<double(const QString& text, const PageFont& font, double width)> wrappedHeight;
};
