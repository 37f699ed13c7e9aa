#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QWidget;
class TStatusBar;

// Keeps the window alive while a document file is read in the GUI thread. The reader calls
// Step() as it goes; Step lets the window paint and answer between two steps, shows the
// share read in the status bar once the load has taken showAfterMs, and stops the load (by
// throwing OperationAborted) after Esc or a request to close the window. While the watch
// lives the application's user input is held back (Esc excepted), so nothing can change the
// document that is still shown.
class LoadWatch : public QObject
{
public:
    LoadWatch(QWidget *window, TStatusBar *bar, const QString &fileName, int showAfterMs);
    ~LoadWatch() override;
    LoadWatch(const LoadWatch &) = delete;
    LoadWatch &operator=(const LoadWatch &) = delete;

    // done of total units read; throws OperationAborted once the load is cancelled.
    void Step(qint64 done, qint64 total);
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }
    // The window was asked to close while loading: it closes once the load has stopped.
    bool CloseRequested() const { return m_closeRequested; }
    bool ProgressShown() const { return m_shown; }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QWidget *m_window;
    TStatusBar *m_bar;
    QString m_fileName;
    int m_showAfterMs;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = -1; // when the window last had its events, ms on m_clock
    int m_percent = -1;
    bool m_shown = false;
    bool m_cancelled = false;
    bool m_closeRequested = false;
};

// The memory a load of a file of this size may take at its peak, in bytes: the document
// (UTF-16 text and its structures) plus, for RTF, the file's bytes while they are parsed.
quint64 LoadMemoryNeed(qint64 fileBytes);

// Why a file of this size cannot be loaded with availableBytes of memory free, naming the file;
// empty when it can (or when the free memory is unknown, 0).
QString LoadMemoryProblem(const QString &path, qint64 fileBytes, quint64 availableBytes);
