// SPDX-License-Identifier: MIT
// The File menu: New, Open, Save As, the recent entries, Exit, and the question about unsaved
// edits before the document is replaced or the window closes.

#include "editor/frmMain.h"

#include "document/Palette.h"
#include "files/DialogFolder.h"

#include <QAction>
#include <QFileInfo>
#include <QUrl>

bool frmMain::confirmDiscard()
{
    return session_->confirmDiscard();
}

void frmMain::menu_New_Click()
{
    if (isBusy() || !confirmDiscard())
        return;
    CD1.FileName.clear();
    session_->newDocument();
}

void frmMain::menu_Open_Click()
{
    if (isBusy() || !confirmDiscard())
        return;
    CD1.DialogTitle = QStringLiteral("Open File");
    const skyrend::DialogFolder folders(*settings_);
    CD1.InitDir = folders.startFor(CurrentFile());
    if (!CD1.ShowOpen())
        return;
    folders.remember(CD1.FileName);
    OpenFile(CD1.FileName);
}

bool frmMain::menu_SaveAs_Click()
{
    return session_->saveAs();
}

void frmMain::menu_Reload_Click()
{
    session_->reload();
}

void frmMain::menu_Recent_Click(int index)
{
    if (isBusy() || index < 0 || index >= int(menu_Recent.size()) || !menu_Recent[index])
        return;
    // The "None." placeholder and hidden items hold no file.
    const QAction* item = menu_Recent[index];
    const QString path = item->data().toString();
    if (!item->isEnabled() || !item->isVisible() || path.isEmpty())
        return;
    if (!confirmDiscard())
        return;
    if (!QFileInfo(path).isDir() && !QFileInfo::exists(path)) {
        // A file that is gone: say so, and offer to drop it from the list.
        platform::showMessage(desktop_, this,
                              QStringLiteral("This file does not exist.\r\n") + path,
                              QStringLiteral("can not open"), platform::Icon::Critical);
        if (platform::showMessage(
                desktop_, this, QStringLiteral("Remove it from the list of recent files?"),
                QStringLiteral("Recent Files"), platform::Icon::Question, platform::Buttons::YesNo,
                platform::Button::No) == platform::Button::Yes) {
            forgetRecentFile(path);
            LoadRecentMenu();
        }
        return;
    }
    OpenFile(path);
}

void frmMain::menu_Exit_Click()
{
    close();
}

bool frmMain::Form_QueryUnload()
{
    if (!confirmDiscard())
        return false;
    session_->discardEdits(); // still edited after the question: the answer was No
    return true;
}

bool frmMain::sessionEnding(bool mayAsk)
{
    // Without leave to ask, the session ends whatever we answer.
    if (IsDirty() && mayAsk) {
        if (!confirmDiscard())
            return false;
        session_->discardEdits();
    }
    // The answer holds for the document as it is now; the next edit withdraws it (rEdit_Change),
    // should the session's end be called off elsewhere.
    closeApproved_ = true;
    return true;
}

void frmMain::openDroppedFiles(const QList<QUrl>& urls)
{
    if (isBusy())
        return;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        if (confirmDiscard())
            OpenFile(url.toLocalFile());
        return; // one document at a time: the first file
    }
}
