#pragma once

#include <QStatusBar>
#include <QString>
#include <vector>

class QLabel;
class QProgressBar;

// The window's status bar: three fixed panels (caret position, modified mark, spare) and a
// simple-text mode that shows one text across the whole bar while a hint is up.
class TStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent = nullptr);

    int PanelCount() const { return int(m_panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    int PanelWidth(int index) const;
    Qt::Alignment PanelAlignment(int index) const;
    QLabel *Panel(int index) const { return m_panels.at(std::size_t(index)); }

    // Simple-text mode: on, the panels give way to SimpleText(); off, they show again.
    bool SimplePanel() const { return m_simple; }
    void SetSimplePanel(bool simple);
    QString SimpleText() const { return m_simpleText; }
    void SetSimpleText(const QString &text);

    // A long load's progress at the right end of the bar: what is read and how to stop it, and
    // the share read in percent. Shown over the panels and the simple text alike.
    void ShowProgress(const QString &text, int percent);
    void HideProgress();
    QProgressBar *Progress() const { return m_progress; }
    QLabel *ProgressText() const { return m_progressText; }

private:
    void refreshMode();
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressText = nullptr;
    std::vector<QLabel *> m_panels;
    bool m_simple = false;
    QString m_simpleText;
};
