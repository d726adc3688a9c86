// SPDX-License-Identifier: MIT

#include "dialogs/frmConfig.h"

#include "dialogs/DialogLayout.h"
#include "editor/frmMain.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// An etched rule: a white line over a dark grey one.
void addRule(QWidget* parent, int y)
{
    auto* dark = new QFrame(parent);
    dark->setGeometry(twipsRect(parent, 120, y, 6000, 30));
    dark->setStyleSheet(QStringLiteral("background: #404040"));
    auto* light = new QFrame(parent);
    light->setGeometry(twipsRect(parent, 120, y + 15, 6000, 15));
    light->setStyleSheet(QStringLiteral("background: white"));
}

} // namespace

frmConfig::frmConfig(platform::Desktop& desktop, QWidget* parent)
    : QDialog(parent), desktop_(desktop)
{
    setWindowTitle(QStringLiteral("Configuration"));
    setFont(tahoma());
    setFixedSize(twipsRect(this, 0, 0, 6240, 4995).size());

    Label1 = new QLabel(QStringLiteral("Configuration"), this);
    Label1->setFont(tahoma(true));
    Label1->setGeometry(twipsRect(this, 120, 120, 4335, 255));
    addRule(this, 360);
    Label2 = new QLabel(QStringLiteral("There are currently no options that you may edit."), this);
    Label2->setGeometry(twipsRect(this, 120, 480, 6015, 255));
    addRule(this, 4200);

    Command1 = new QPushButton(QStringLiteral("Save"), this);
    Command1->setGeometry(twipsRect(this, 3720, 4440, 1215, 375));
    Command1->setEnabled(false);
    Command2 = new QPushButton(QStringLiteral("Close"), this);
    Command2->setGeometry(twipsRect(this, 4920, 4440, 1215, 375));
    setTabOrder(Command1, Command2);
    Command2->setDefault(true);
    connect(Command2, &QPushButton::clicked, this, &frmConfig::Command2_Click);
}

void frmConfig::Command2_Click()
{
    if (Command1->isEnabled()) {
        const platform::Button answer = platform::showMessage(
            desktop_, this, QStringLiteral("Save Settings?"), QStringLiteral("Settings"),
            platform::Icon::Information, platform::Buttons::YesNoCancel);
        if (answer == platform::Button::Cancel)
            return;
    }
    close();
}

void frmMain::menu_Config_Click()
{
    frmConfig config(desktop_, this);
    config.exec();
}
