#pragma once

#include "TTntRichEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

// An editor of a fixed size, shown, with a font present on every test machine.
inline void prepareEditor(TTntRichEdit &editor, int width = 300, int height = 200)
{
    editor.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    editor.resize(width, height);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
}

// Sends one key press carrying the given text, as a keyboard layout would deliver it.
inline void typeText(QWidget *target, const QString &text, Qt::Key key = Qt::Key_unknown,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}
