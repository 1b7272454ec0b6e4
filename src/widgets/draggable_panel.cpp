#include "widgets/draggable_panel.h"

#include <QMouseEvent>

DraggablePanel::DraggablePanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setCursor(Qt::SizeAllCursor);
    setAutoFillBackground(true);
}

void DraggablePanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_grab = event->position().toPoint();
        raise();
    }
    QFrame::mousePressEvent(event);
}

void DraggablePanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        move(mapToParent(event->position().toPoint() - m_grab));
    QFrame::mouseMoveEvent(event);
}

void DraggablePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}

static void initWidgetPictures() { Q_INIT_RESOURCE(widget_pictures); }

QIcon panelCloseIcon() {
    initWidgetPictures();  // the resources of a static library are not registered by themselves
    return QIcon(QStringLiteral(":/widgets/close.svg"));
}
