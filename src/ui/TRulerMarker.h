#pragma once

#include <QWidget>
#include <functional>

// One indent marker of the ruler: a small arrow drawn by us. Mouse presses, moves and releases
// go to the window's handlers with X in pixels from the marker's left edge.
class TRulerMarker : public QWidget
{
    Q_OBJECT
public:
    enum class Shape { DownArrow, UpArrow, OutlinedUpArrow };
    TRulerMarker(Shape shape, QWidget *parent = nullptr);
    Shape shape() const { return m_shape; }

    std::function<void(TRulerMarker *, int x)> OnMouseDown;
    std::function<void(TRulerMarker *, int x)> OnMouseMove;
    std::function<void(TRulerMarker *, int x)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    Shape m_shape;
};
