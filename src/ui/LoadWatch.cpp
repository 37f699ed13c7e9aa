#include "LoadWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

#include "Errors.h"
#include "TStatusBar.h"

namespace {

// How often the window gets its events during a load: often enough to paint and to see Esc.
constexpr qint64 kEventsEveryMs = 40;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

} // namespace

LoadWatch::LoadWatch(QWidget *window, TStatusBar *bar, const QString &fileName, int showAfterMs)
    : m_window(window), m_bar(bar), m_fileName(fileName), m_showAfterMs(showAfterMs)
{
    m_clock.start();
    QCoreApplication::instance()->installEventFilter(this);
}

LoadWatch::~LoadWatch()
{
    QCoreApplication::instance()->removeEventFilter(this);
    if (m_shown && m_bar)
        m_bar->HideProgress();
}

void LoadWatch::Step(qint64 done, qint64 total)
{
    if (m_cancelled)
        throw OperationAborted();
    const qint64 now = m_clock.elapsed();
    const int percent = total > 0 ? int(std::clamp<qint64>(done * 100 / total, 0, 100)) : 0;
    bool events = now - m_lastEvents >= kEventsEveryMs;
    if (m_bar && !m_shown && now >= m_showAfterMs) {
        m_shown = true;
        events = true; // the indicator shows at once
    }
    if (m_shown && percent != m_percent) {
        m_percent = percent;
        m_bar->ShowProgress(QStringLiteral("Opening %1 (Esc cancels)").arg(m_fileName), percent);
    }
    if (events) {
        m_lastEvents = now;
        QCoreApplication::processEvents();
    }
    if (m_cancelled)
        throw OperationAborted();
}

bool LoadWatch::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::Close && watched == m_window) {
        m_cancelled = true;
        m_closeRequested = true;
        e->ignore();
        return true;
    }
    if (!isUserInput(e->type()))
        return false;
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
        m_cancelled = true;
    return true;
}

quint64 LoadMemoryNeed(qint64 fileBytes)
{
    // Measured with bench_huge on 100 MB files, the heap's peak per byte of the file: 5.7 for
    // plain text (one byte a character: 2 bytes of UTF-16 and the document's structures), 6.2
    // for RTF (its bytes while parsed, and runs of formatting). 7 leaves some room.
    constexpr quint64 kPerFileByte = 7;
    return quint64(qMax<qint64>(0, fileBytes)) * kPerFileByte;
}

QString LoadMemoryProblem(const QString &path, qint64 fileBytes, quint64 availableBytes)
{
    const quint64 need = LoadMemoryNeed(fileBytes);
    if (availableBytes == 0 || need <= availableBytes)
        return {};
    constexpr quint64 kMiB = 1024 * 1024;
    return QStringLiteral("Cannot open file \"%1\". It is too large for the memory: opening it needs about %2 MB, "
                          "and only %3 MB are free.")
        .arg(QFileInfo(path).absoluteFilePath())
        .arg((need + kMiB - 1) / kMiB)
        .arg(availableBytes / kMiB);
}
