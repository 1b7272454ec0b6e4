#include "printing/page_items.h"

PageItem pageText(double x, double y, const QString& text, const PageFont& font, Qt::Alignment align) {
    PageItem item;
    item.kind = PageItem::Kind::Text;
    item.rect = QRectF(x, y, 0, 0);
    item.text = text;
    item.font = font;
    item.align = align;
    return item;
}

PageItem pageBox(const QRectF& rect, const QString& text, const PageFont& font, Qt::Alignment align, bool wrap) {
    PageItem item;
    item.kind = PageItem::Kind::Box;
    item.rect = rect;
    item.text = text;
    item.font = font;
    item.align = align;
    item.wrap = wrap;
    return item;
}

PageItem pageFittedBox(const QRectF& rect, const QString& text, const PageFont& font, double minPointSize,
                       Qt::Alignment align, bool wrap) {
    PageItem item = pageBox(rect, text, font, align, wrap);
    item.minPointSize = minPointSize;
    return item;
}

PageItem pageLine(double x1, double y1, double x2, double y2, double penPoints) {
    PageItem item;
    item.kind = PageItem::Kind::Line;
    item.rect = QRectF(QPointF(x1, y1), QPointF(x2, y2));
    item.penPoints = penPoints;
    return item;
}

PageItem pageFrame(const QRectF& rect, double penPoints) {
    PageItem item;
    item.kind = PageItem::Kind::Frame;
    item.rect = rect;
    item.penPoints = penPoints;
    return item;
}

PageItem pageFill(const QRectF& rect, quint32 argb) {
    PageItem item;
    item.kind = PageItem::Kind::Fill;
    item.rect = rect;
    item.fill = argb;
    return item;
}
