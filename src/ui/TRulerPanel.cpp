#include "TRulerPanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

TRulerPanel::TRulerPanel(QWidget *parent) : QWidget(parent)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
}

void TRulerPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

qreal TRulerPanel::tabStopDistance() const
{
    return 8 * QFontMetrics(font()).averageCharWidth();
}

void TRulerPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(tabStopDistance());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(rect()), m_caption, option);
}

void TRulerPanel::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    if (OnResize)
        OnResize();
}
