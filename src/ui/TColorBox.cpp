#include "TColorBox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TColorBox::TColorBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
}

QRect TColorBox::swatchRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return field.adjusted(2, 3, -2, -3);
}

void TColorBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    // Entries carry their colour as 0x00BBGGRR.
    const int value = itemData(currentIndex()).toInt();
    painter.setPen(Qt::black);
    painter.setBrush(QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF));
    painter.drawRect(swatchRect().adjusted(0, 0, -1, -1));
}

void TColorBox::showPopup()
{
    // The list is as wide as its longest name needs, whatever the box's own width.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 8);
    QComboBox::showPopup();
}
