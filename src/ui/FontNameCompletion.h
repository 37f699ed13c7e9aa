#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;

// Index of the first entry, in list order, that begins with text ignoring case; -1 when none
// does or text is empty.
int FirstEntryStartingWith(const QStringList &entries, const QString &text);

// Inline completion for an editable combo box: a typed character completes the text to the
// first entry that begins with it (ignoring case), the completed tail selected so that the
// next character replaces it, and that entry becomes the current one. Deleting does not
// complete, but the current entry still follows the text. OnChange runs after every edit by
// the user and every pick from the list; text set by the program raises nothing.
class FontNameCompletion : public QObject
{
    Q_OBJECT
public:
    explicit FontNameCompletion(QComboBox *box);
    std::function<void()> OnChange;

    // Shows text in the box without raising OnChange; the current entry becomes the one whose
    // text equals it ignoring case, or none.
    void setTextQuietly(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void raiseChange();
    QStringList entries() const;

    QComboBox *m_box;
    // The box's line edit, watched for keys; held apart so that events during the box's own
    // destruction never call into the half-destroyed box.
    QPointer<QLineEdit> m_edit;
    bool m_characterTyped = false;
};
