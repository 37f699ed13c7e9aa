#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Up-down arrows bound to an edit box: each step writes the new number into the box. Before a
// step the number shown in the box is taken as the position when it is a whole number within
// the range, so the arrows always step from what the user sees. The Up and Down keys in the
// box step it too.
class TUpDown : public QWidget
{
    Q_OBJECT
public:
    explicit TUpDown(QWidget *parent = nullptr);
    void setAssociate(QLineEdit *edit);
    QLineEdit *associate() const { return m_associate; }
    int position() const { return m_position; }
    void setPosition(int position); // clamped to the range; written into the box
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void stepBy(int steps); // no wrap-around

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_associate = nullptr;
    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    int m_position = 0;
    int m_min = 0;
    int m_max = 100;
};
