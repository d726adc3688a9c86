// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The Configuration dialog. There are no options yet; it says so.
class frmConfig : public QDialog {
    Q_OBJECT

public:
    explicit frmConfig(platform::Desktop& desktop, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr; // "Save": nothing to save, so disabled
    QPushButton* Command2 = nullptr; // "Close"

    void Command2_Click();

private:
    platform::Desktop& desktop_;
};
