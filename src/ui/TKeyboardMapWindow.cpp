#include "TKeyboardMapWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include "KeyboardMapContent.h"

namespace {

constexpr int kUnit = 46;   // width and height of one key, pixels
constexpr int kGap = 4;     // between keys
constexpr int kMargin = 8;  // around the keyboard

// Width of the named keys at the ends of each row, in quarter keys.
struct RowEnds
{
    const char *left;
    int leftQuarters;
    const char *right;
    int rightQuarters;
};
const RowEnds kRowEnds[] = {
    {nullptr, 0, "Backspace", 8},
    {"Tab", 6, nullptr, 0},
    {"Caps", 7, "Enter", 9},
    {"Shift", 9, "Shift", 11},
};
constexpr int kSpaceStartQuarters = 15; // the space bar starts below the c key
constexpr int kSpaceQuarters = 25;

} // namespace

TKeyboardMapWindow::TKeyboardMapWindow(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("KeyboardMapWindow"));
    setWindowTitle(QStringLiteral("Keyboard Map"));
    // The editor keeps the focus: the window is looked at and clicked, never typed into.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    BuildKeys();
    setFixedSize(sizeHint());
}

void TKeyboardMapWindow::BuildKeys()
{
    m_caps.clear();
    const QList<QList<TUsKey>> &rows = UsKeyboardRows();
    auto quarter = [](int quarters) { return quarters * kUnit / 4; };
    for (int r = 0; r < rows.size(); ++r) {
        const int top = kMargin + r * (kUnit + kGap);
        int x = kMargin;
        auto add = [&](int width, unsigned char plain, unsigned char shifted, const char *name) {
            m_caps.append({QRect(x, top, width, kUnit), plain, shifted, QString::fromLatin1(name ? name : "")});
            x += width + kGap;
        };
        if (r == rows.size() - 1) { // the space bar
            x += quarter(kSpaceStartQuarters);
            add(quarter(kSpaceQuarters), ' ', ' ', nullptr);
            continue;
        }
        const RowEnds &ends = kRowEnds[r];
        if (ends.left)
            add(quarter(ends.leftQuarters), 0, 0, ends.left);
        for (const TUsKey &key : rows[r])
            add(kUnit, static_cast<unsigned char>(key.plain), static_cast<unsigned char>(key.shifted), nullptr);
        if (ends.right)
            add(quarter(ends.rightQuarters), 0, 0, ends.right);
    }
}

QSize TKeyboardMapWindow::sizeHint() const
{
    QRect all;
    for (const Cap &cap : m_caps)
        all |= cap.rect;
    return QSize(all.right() + 1 + kMargin, all.bottom() + 1 + kMargin);
}

void TKeyboardMapWindow::SetContent(const TCharacterMap &map, int language, const QFont &font)
{
    m_language = language;
    m_font = font;
    for (int key = 0; key < 256; ++key) {
        m_labels[key].clear();
        m_mapped[key] = false;
    }
    for (const Cap &cap : std::as_const(m_caps)) {
        for (const unsigned char key : {cap.plain, cap.shifted}) {
            if (key == 0)
                continue;
            const TKeyCapText text = KeyCapText(map, language, key);
            m_labels[key] = text.label;
            m_mapped[key] = text.mapped;
        }
    }
    update();
}

QString TKeyboardMapWindow::Label(unsigned char key) const
{
    return m_labels[key];
}

bool TKeyboardMapWindow::IsMapped(unsigned char key) const
{
    return m_mapped[key];
}

QRect TKeyboardMapWindow::KeyRect(unsigned char key) const
{
    for (const Cap &cap : m_caps)
        if (key != 0 && (cap.plain == key || cap.shifted == key))
            return cap.rect;
    return QRect();
}

unsigned char TKeyboardMapWindow::CharacterAt(const QPoint &pos) const
{
    for (const Cap &cap : m_caps)
        if (cap.rect.contains(pos))
            return pos.y() < cap.rect.center().y() ? cap.shifted : cap.plain;
    return 0;
}

void TKeyboardMapWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().color(QPalette::Window));
    QFont small = font();
    small.setPointSize(7);
    const QColor mappedColour = palette().color(QPalette::Text);
    const QColor plainColour = palette().color(QPalette::PlaceholderText);

    for (const Cap &cap : std::as_const(m_caps)) {
        const bool typing = cap.plain != 0;
        p.setPen(palette().color(QPalette::Mid));
        p.setBrush(typing ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
        p.drawRoundedRect(QRectF(cap.rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        if (!typing) {
            p.setFont(small);
            p.setPen(plainColour);
            p.drawText(cap.rect.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignBottom, cap.name);
            continue;
        }
        // The Latin key in a corner, so the letters can be found on the real keyboard.
        if (m_language != 0 && cap.plain != ' ') {
            p.setFont(small);
            p.setPen(plainColour);
            p.drawText(cap.rect.adjusted(3, 1, -3, -1), Qt::AlignRight | Qt::AlignTop,
                       QString(QChar(char16_t(cap.shifted))));
        }
        const QRect upper(cap.rect.left(), cap.rect.top() + 2, cap.rect.width(), cap.rect.height() / 2 - 2);
        const QRect lower(cap.rect.left(), cap.rect.center().y(), cap.rect.width(), cap.rect.height() / 2 - 2);
        auto draw = [&](const QRect &area, unsigned char key) {
            QFont face = m_font;
            // Code point names are longer than a letter: they get a smaller size.
            if (m_labels[key].startsWith(QLatin1String("U+")))
                face.setPointSize(6);
            p.setFont(face);
            p.setPen(m_mapped[key] || m_language == 0 ? mappedColour : plainColour);
            p.drawText(area, Qt::AlignCenter, m_labels[key]);
        };
        if (cap.plain == ' ') {
            draw(cap.rect, ' ');
            continue;
        }
        // The shifted character above the plain one.
        draw(upper, cap.shifted);
        draw(lower, cap.plain);
    }
}

void TKeyboardMapWindow::mousePressEvent(QMouseEvent *e)
{
    const unsigned char key = CharacterAt(e->position().toPoint());
    if (key != 0 && e->button() == Qt::LeftButton && OnKeyClick)
        OnKeyClick(key);
    e->accept();
}
