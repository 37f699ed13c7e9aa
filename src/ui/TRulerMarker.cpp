#include "TRulerMarker.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace {

// The arrows are drawn on the pixel grid, without smoothing, so they stay crisp at their small
// sizes: a solid down arrow (10 x 9), a solid up arrow (10 x 11) and an outlined up arrow (9 x 12).
QPolygon arrowOutline(TRulerMarker::Shape shape)
{
    switch (shape) {
    case TRulerMarker::Shape::DownArrow:
        return QPolygon({QPoint(3, 0), QPoint(6, 0), QPoint(6, 4), QPoint(9, 4), QPoint(5, 8), QPoint(4, 8),
                         QPoint(0, 4), QPoint(3, 4)});
    case TRulerMarker::Shape::UpArrow:
        return QPolygon({QPoint(4, 0), QPoint(5, 0), QPoint(9, 5), QPoint(6, 5), QPoint(6, 10), QPoint(3, 10),
                         QPoint(3, 5), QPoint(0, 5)});
    case TRulerMarker::Shape::OutlinedUpArrow:
        return QPolygon({QPoint(4, 0), QPoint(8, 5), QPoint(6, 5), QPoint(6, 11), QPoint(2, 11), QPoint(2, 5),
                         QPoint(0, 5)});
    }
    return {};
}

QSize arrowSize(TRulerMarker::Shape shape)
{
    switch (shape) {
    case TRulerMarker::Shape::DownArrow:
        return {10, 9};
    case TRulerMarker::Shape::UpArrow:
        return {10, 11};
    case TRulerMarker::Shape::OutlinedUpArrow:
        return {9, 12};
    }
    return {};
}

int eventX(const QMouseEvent *e) { return e->position().toPoint().x(); }

} // namespace

TRulerMarker::TRulerMarker(Shape shape, QWidget *parent) : QWidget(parent), m_shape(shape)
{
    setFixedSize(arrowSize(shape));
    setCursor(Qt::ArrowCursor);
}

void TRulerMarker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPolygon outline = arrowOutline(m_shape);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_shape == Shape::OutlinedUpArrow ? QBrush(Qt::white) : QBrush(Qt::black));
    painter.drawPolygon(outline);
}

// Every button reaches the handlers: any mouse button drags a marker.
void TRulerMarker::mousePressEvent(QMouseEvent *e)
{
    if (OnMouseDown)
        OnMouseDown(this, eventX(e));
    e->accept();
}

void TRulerMarker::mouseMoveEvent(QMouseEvent *e)
{
    if (OnMouseMove)
        OnMouseMove(this, eventX(e));
    e->accept();
}

void TRulerMarker::mouseReleaseEvent(QMouseEvent *e)
{
    if (OnMouseUp)
        OnMouseUp(this, eventX(e));
    e->accept();
}
