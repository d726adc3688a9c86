// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"

namespace platform {

// The real desktop: Qt's message boxes, input dialog, file dialogs and event loop.
class QtDesktop : public Desktop {
public:
    Button messageBox(QWidget* parent, const MessageBox& box) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter, const QString& proposed) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter, const QString& proposed) override;
    void yield() override;
};

} // namespace platform
