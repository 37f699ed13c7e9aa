#include "TUpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

TUpDown::TUpDown(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto makeButton = [this, layout](Qt::ArrowType arrow, int step) {
        auto *button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, step] { stepBy(step); });
        return button;
    };
    m_up = makeButton(Qt::UpArrow, 1);
    m_down = makeButton(Qt::DownArrow, -1);
}

void TUpDown::setAssociate(QLineEdit *edit)
{
    if (m_associate)
        m_associate->removeEventFilter(this);
    m_associate = edit;
    if (m_associate)
        m_associate->installEventFilter(this);
}

void TUpDown::setPosition(int position)
{
    m_position = qBound(m_min, position, m_max);
    if (m_associate)
        m_associate->setText(QString::number(m_position));
}

void TUpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = qMax(min, max);
    m_position = qBound(m_min, m_position, m_max);
}

void TUpDown::stepBy(int steps)
{
    int from = m_position;
    if (m_associate) {
        bool ok = false;
        const int shown = m_associate->text().trimmed().toInt(&ok);
        if (ok && shown >= m_min && shown <= m_max)
            from = shown;
    }
    // Widen before adding so a large step cannot overflow.
    const qint64 to = qint64(from) + steps;
    setPosition(int(qBound(qint64(m_min), to, qint64(m_max))));
}

bool TUpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_associate && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            stepBy(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
