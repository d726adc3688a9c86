// SPDX-License-Identifier: MIT

#include "platform/QtDesktop.h"

#include "platform/CommonDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace platform {
namespace {

QMessageBox::StandardButton toQt(Button b)
{
    switch (b) {
    case Button::Ok:
        return QMessageBox::Ok;
    case Button::Cancel:
        return QMessageBox::Cancel;
    case Button::Yes:
        return QMessageBox::Yes;
    case Button::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QList<Button> buttonsOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return {Button::Ok};
    case Buttons::OkCancel:
        return {Button::Ok, Button::Cancel};
    case Buttons::YesNo:
        return {Button::Yes, Button::No};
    case Buttons::YesNoCancel:
        return {Button::Yes, Button::No, Button::Cancel};
    }
    return {Button::Ok};
}

} // namespace

Button QtDesktop::messageBox(QWidget* parent, const MessageBox& box)
{
    QMessageBox mb(parent);
    mb.setIcon(toQt(box.icon));
    mb.setWindowTitle(box.title.isEmpty() ? programTitle() : box.title);
    mb.setText(box.text);
    const QList<Button> buttons = buttonsOf(box.buttons);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        QPushButton* button = mb.addButton(toQt(buttons[i]));
        if (i < box.buttonTexts.size())
            button->setText(box.buttonTexts[i]);
    }
    mb.setDefaultButton(toQt(box.defaultButton.value_or(buttons.front())));
    // Closing the box by its frame counts as the "no" answer of its kind.
    if (buttons.contains(Button::Cancel))
        mb.setEscapeButton(QMessageBox::Cancel);
    else if (buttons.contains(Button::No))
        mb.setEscapeButton(QMessageBox::No);
    else
        mb.setEscapeButton(QMessageBox::Ok);
    mb.exec();
    switch (mb.standardButton(mb.clickedButton())) {
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Cancel:
        return Button::Cancel;
    case QMessageBox::Ok:
        return Button::Ok;
    default:
        break;
    }
    return buttons.contains(Button::Cancel) ? Button::Cancel : buttons.back();
}

QString QtDesktop::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                            const QString& defaultAnswer)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title.isEmpty() ? programTitle() : title,
                                                 prompt, QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

namespace {

// Big enough for the name, size, type and date columns of the detail view, within the screen.
void sizeFileDialog(QFileDialog& dialog, QWidget* parent)
{
    dialog.setViewMode(QFileDialog::Detail);
    QSize size(900, 540);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    dialog.resize(size);
}

std::optional<QString> chosenFile(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() ||
        dialog.selectedFiles().front().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace

std::optional<QString> QtDesktop::openFileName(QWidget* parent, const QString& title,
                                               const QString& filter, const QString& proposed)
{
    QFileDialog dialog(parent, title, proposed, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    sizeFileDialog(dialog, parent);
    return chosenFile(dialog);
}

std::optional<QString> QtDesktop::saveFileName(QWidget* parent, const QString& title,
                                               const QString& filter, const QString& proposed)
{
    QFileDialog dialog(parent, title, proposed, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    sizeFileDialog(dialog, parent);
    // A name typed without an extension gets ".hlp" while the help-file filter is selected.
    auto suffixFor = [&dialog](const QString& nameFilter) {
        dialog.setDefaultSuffix(CommonDialog::defaultSuffixOf(nameFilter));
    };
    suffixFor(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixFor);
    return chosenFile(dialog);
}

void QtDesktop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace platform
