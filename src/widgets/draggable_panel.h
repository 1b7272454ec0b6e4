#pragma once
// A framed entry panel floating over the grid; it shows a move cursor and follows the mouse while
// the left button is held on its background.
#include <QFrame>
#include <QIcon>
#include <QPoint>

// The close mark of the panels, drawn from an SVG so it stays sharp at any display scaling (the
// platform's title-bar mark is a small bitmap).
QIcon panelCloseIcon();

class DraggablePanel : public QFrame {
    Q_OBJECT
public:
    explicit DraggablePanel(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_dragging = false;
    QPoint m_grab;
};
