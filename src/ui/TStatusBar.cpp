#include "TStatusBar.h"

#include <QLabel>
#include <QProgressBar>

namespace {
struct PanelLayout
{
    int width;
    Qt::Alignment alignment;
};
constexpr PanelLayout kPanels[] = {
    {120, Qt::AlignLeft | Qt::AlignVCenter},
    {60, Qt::AlignHCenter | Qt::AlignVCenter},
    {50, Qt::AlignLeft | Qt::AlignVCenter},
};
} // namespace

TStatusBar::TStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setFixedHeight(19);
    int index = 0;
    for (const PanelLayout &layout : kPanels) {
        auto *panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(index++));
        panel->setFixedWidth(layout.width);
        panel->setAlignment(layout.alignment);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        addWidget(panel);
        m_panels.push_back(panel);
    }
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("ProgressText"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setFixedWidth(140);
    m_progress->setMaximumHeight(15);
    addPermanentWidget(m_progressText);
    addPermanentWidget(m_progress);
    HideProgress();
}

void TStatusBar::ShowProgress(const QString &text, int percent)
{
    m_progressText->setText(text);
    m_progress->setValue(qBound(0, percent, 100));
    m_progressText->show();
    m_progress->show();
}

void TStatusBar::HideProgress()
{
    m_progressText->hide();
    m_progress->hide();
}

QString TStatusBar::PanelText(int index) const
{
    return m_panels.at(std::size_t(index))->text();
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    m_panels.at(std::size_t(index))->setText(text);
}

int TStatusBar::PanelWidth(int index) const
{
    return m_panels.at(std::size_t(index))->width();
}

Qt::Alignment TStatusBar::PanelAlignment(int index) const
{
    return m_panels.at(std::size_t(index))->alignment();
}

void TStatusBar::SetSimplePanel(bool simple)
{
    m_simple = simple;
    refreshMode();
}

void TStatusBar::SetSimpleText(const QString &text)
{
    m_simpleText = text;
    refreshMode();
}

void TStatusBar::refreshMode()
{
    // QStatusBar hides its normal widgets while a message is shown and brings them back
    // when it is cleared, which is exactly the simple-text mode. An empty simple text in
    // simple mode still hides the panels, so a blank stands in for it.
    if (m_simple)
        showMessage(m_simpleText.isEmpty() ? QStringLiteral(" ") : m_simpleText);
    else
        clearMessage();
}
