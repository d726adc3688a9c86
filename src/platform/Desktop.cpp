// SPDX-License-Identifier: MIT

#include "platform/Desktop.h"

namespace platform {

QString programTitle()
{
    return QStringLiteral("Skyrend F1 Editor");
}

Button showMessage(Desktop& desktop, QWidget* parent, const QString& text, const QString& title,
                   Icon icon, Buttons buttons, std::optional<Button> defaultButton)
{
    return desktop.messageBox(parent, MessageBox{text, title, icon, buttons, defaultButton, {}});
}

} // namespace platform
