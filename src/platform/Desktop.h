// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace platform {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Button { Ok, Cancel, Yes, No };

// The caption of any message box that does not bring its own.
QString programTitle();

struct MessageBox {
    QString text;
    QString title; // empty: the program's title
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    std::optional<Button> defaultButton; // none: the first button
    QStringList buttonTexts;             // own captions for the buttons, in their order
};

// What the program needs from the desktop. The window gets one of these from its creator, so
// the tests can script every box and dialog and count the yields.
class Desktop {
public:
    virtual ~Desktop() = default;

    // A modal message box; answers the button that closed it.
    virtual Button messageBox(QWidget* parent, const MessageBox& box) = 0;

    // A modal text-input box with OK and Cancel; Cancel answers "".
    virtual QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultAnswer) = 0;

    // Modal file dialogs. `filter` is in the Qt form ("Name (*.ext);;..."); `proposed` is the
    // file name the dialog starts with. Nothing means the user cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                                const QString& filter, const QString& proposed) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                                const QString& filter, const QString& proposed) = 0;

    // Lets the event loop handle what is pending, then returns.
    virtual void yield() = 0;
};

// Convenience for the common call shape.
Button showMessage(Desktop& desktop, QWidget* parent, const QString& text, const QString& title,
                   Icon icon = Icon::None, Buttons buttons = Buttons::Ok,
                   std::optional<Button> defaultButton = std::nullopt);

} // namespace platform
