#include "platform/QtDesktop.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

std::optional<QString> QtDesktop::openFileName(QWidget* parent, const QString& title,
                                               const QString& filter, const QString& proposed)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, title, proposed, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtDesktop::saveFileName(QWidget* parent, const QString& title,
                                               const QString& filter, const QString& proposed)
{
    const QString chosen = QFileDialog::getSaveFileName(parent, title, proposed, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void QtDesktop::yield()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace platform
