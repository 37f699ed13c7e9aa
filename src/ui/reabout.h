#pragma once

#include <QDialog>
#include <QLocale>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The address the About box's link shows and opens.
QString KalveroWebAddress();

// "2,097,152 KB": bytes / 1024 rounded, grouped with the locale's thousands separator.
QString FormatPhysicalMemory(quint64 totalBytes, const QLocale &locale = QLocale());
// "42 %".
QString FormatMemoryLoad(int percent);

// The About box: picture, name, link and two memory figures, made fresh for each showing.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *owner = nullptr);

    QLabel *ProgramIcon = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLabel *PhysMem = nullptr, *FreeRes = nullptr;
    QPushButton *OKButton = nullptr;

    // Opens the link label's own text; tests replace the opener.
    std::function<void(const QString &)> OpenLink;
    void FormCreate();
    void Label2Click();

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void showEvent(QShowEvent *e) override;
};
