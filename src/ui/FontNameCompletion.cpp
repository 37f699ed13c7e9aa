#include "FontNameCompletion.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

int FirstEntryStartingWith(const QStringList &entries, const QString &text)
{
    if (text.isEmpty())
        return -1;
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].startsWith(text, Qt::CaseInsensitive))
            return i;
    return -1;
}

FontNameCompletion::FontNameCompletion(QComboBox *box) : QObject(box), m_box(box)
{
    m_box->setEditable(true);
    m_box->setInsertPolicy(QComboBox::NoInsert);
    // The box's own completer would complete without making the entry the current one.
    m_box->setCompleter(nullptr);
    m_edit = m_box->lineEdit();
    // Keys typed into the box reach the box, which hands them to its line edit's event handler
    // directly, past the line edit's filters: both are watched.
    m_box->installEventFilter(this);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &FontNameCompletion::textEdited);
    connect(m_box, &QComboBox::activated, this, [this](int) { raiseChange(); });
}

QStringList FontNameCompletion::entries() const
{
    QStringList list;
    list.reserve(m_box->count());
    for (int i = 0; i < m_box->count(); ++i)
        list.append(m_box->itemText(i));
    return list;
}

void FontNameCompletion::setTextQuietly(const QString &text)
{
    const QSignalBlocker blocker(m_box);
    m_box->setCurrentIndex(m_box->findText(text, Qt::MatchFixedString));
    m_box->lineEdit()->setText(text);
}

bool FontNameCompletion::eventFilter(QObject *watched, QEvent *event)
{
    // Only pointers are compared here: the box may be half destroyed while its children go.
    if (event->type() == QEvent::KeyPress && (watched == m_box || watched == m_edit)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString typed = key->text();
        m_characterTyped = !typed.isEmpty() && typed.at(0).isPrint()
                           && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    }
    return QObject::eventFilter(watched, event);
}

void FontNameCompletion::textEdited(const QString &text)
{
    QLineEdit *edit = m_box->lineEdit();
    const bool complete = m_characterTyped && edit->cursorPosition() == text.size();
    m_characterTyped = false;
    const int cursor = edit->cursorPosition();
    const int index = FirstEntryStartingWith(entries(), text);
    {
        // Changing the current entry rewrites the box's text; put back what the user has.
        const QSignalBlocker blocker(m_box);
        m_box->setCurrentIndex(index);
        if (complete && index >= 0) {
            const QString entry = m_box->itemText(index);
            edit->setText(text + entry.mid(text.size()));
            edit->setSelection(text.size(), edit->text().size() - text.size());
        } else {
            edit->setText(text);
            edit->setCursorPosition(cursor);
        }
    }
    raiseChange();
}

void FontNameCompletion::raiseChange()
{
    if (OnChange)
        OnChange();
}
