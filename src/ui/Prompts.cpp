#include "Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>

#include "DialogFilter.h"
#include "FontEnumeration.h"
#include "TFontDialog.h"

#include <algorithm>

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

namespace {

QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

std::optional<QString> runFileDialog(QWidget *parent, const TFileDialogSettings &settings,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, settings.title, settings.initialDir);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(mode);
    // The typed name need not exist: a missing file is reported by the load itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QtNameFilters(settings.filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

void QtPrompts::Message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

void QtPrompts::Error(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, m_parent);
    box.exec();
}

TConfirmAnswer QtPrompts::Confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton, m_parent);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel); // Esc and the close button answer Cancel
    // Questions stand in the middle of the screen, not of the window.
    if (QScreen *screen = m_parent ? m_parent->screen() : QGuiApplication::primaryScreen()) {
        box.adjustSize();
        QRect frame = box.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        box.move(frame.topLeft());
    }
    box.exec();
    if (box.clickedButton() == yes)
        return TConfirmAnswer::Yes;
    if (box.clickedButton() == no)
        return TConfirmAnswer::No;
    return TConfirmAnswer::Cancel;
}

std::optional<QString> QtPrompts::OpenFileName(const TFileDialogSettings &settings)
{
    return runFileDialog(m_parent, settings, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompts::SaveFileName(const TFileDialogSettings &settings)
{
    return runFileDialog(m_parent, settings, QFileDialog::AcceptSave);
}

bool QtPrompts::PrintSetup(QPrinter *printer)
{
    QPrintDialog dialog(printer, m_parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::ChooseFont(TFontChoice &font)
{
    QStringList faces = EnumerateFontFaceNames();
    std::stable_sort(faces.begin(), faces.end(),
                     [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    TFontDialog dialog(faces, m_parent);
    dialog.setChoice(font);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.choice();
    return true;
}

void QtPrompts::ShowModal(QDialog *dialog)
{
    dialog->exec();
}
