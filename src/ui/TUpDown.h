#pragma once

#include <QWidget>

class QLineEdit;

// Up-down arrows bound to an edit box: each step writes the new number into the box.
class TUpDown : public QWidget
{
    Q_OBJECT
public:
    explicit TUpDown(QWidget *parent = nullptr);
    void setAssociate(QLineEdit *edit);
    QLineEdit *associate() const { return m_associate; }
    int position() const { return m_position; }
    void setPosition(int position);
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void stepBy(int steps); // no wrap-around

private:
    QLineEdit *m_associate = nullptr;
    int m_position = 0;
    int m_min = 0;
    int m_max = 100;
};
