#pragma once

#include <QString>
#include <QWidget>
#include <functional>

// The ruler strip: a plain panel that draws its caption on one line, left-aligned and
// vertically centred, with TAB characters expanded to a tab stop every eight average character
// widths of its font, so a caption of TAB "|" pairs shows as evenly spaced ticks.
class TRulerPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TRulerPanel(QWidget *parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // Distance between tab stops in pixels.
    qreal tabStopDistance() const;

    std::function<void()> OnResize;

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    QString m_caption;
};
