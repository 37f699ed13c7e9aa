#pragma once

#include <QFont>
#include <QWidget>
#include <functional>

#include "CharacterMap.h"

// A tool window that draws a US keyboard with, on each character key, what the key types in
// the active language: the shifted character above the plain one. It never takes the keyboard
// focus, so typing goes on in the editor; clicking the upper half of a key types its shifted
// character, the lower half its plain one, through OnKeyClick.
class TKeyboardMapWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TKeyboardMapWindow(QWidget *parent);

    // The map and language (0 English, 1 Arabic, 2 Coptic) to show, in the given font. The map
    // is read at once; it may change afterwards.
    void SetContent(const TCharacterMap &map, int language, const QFont &font);

    // The label a typed character's key shows, and whether the map gave it.
    QString Label(unsigned char key) const;
    bool IsMapped(unsigned char key) const;
    // Where the key that types key is drawn, in the window's coordinates (empty when none).
    QRect KeyRect(unsigned char key) const;
    // The character typed by a click at pos, or 0 when pos is on no character key.
    unsigned char CharacterAt(const QPoint &pos) const;

    std::function<void(unsigned char key)> OnKeyClick;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    struct Cap
    {
        QRect rect;
        unsigned char plain = 0, shifted = 0; // 0: a key that types nothing (Tab, Shift, ...)
        QString name;                         // the name drawn on such a key
    };
    void BuildKeys();

    QList<Cap> m_caps;
    QString m_labels[256];
    bool m_mapped[256] = {};
    int m_language = 0;
    QFont m_font;
};
