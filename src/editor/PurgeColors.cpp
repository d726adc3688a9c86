// SPDX-License-Identifier: MIT
// Purge Colors: the whole document in the palette's White, after a typed confirmation.

#include "editor/frmMain.h"

#include "document/Palette.h"
#include "platform/RedrawLock.h"

void frmMain::menu_PurgeColors_Click()
{
    const QString answer = desktop_.inputBox(
        this,
        QStringLiteral("CAUTION: Performing this operating will strip the colors, and CAN NOT be "
                       "undone.\r\n\r\nType 'YES' to continue."),
        QStringLiteral("Confirm"), QStringLiteral("NO"));
    if (answer.toUpper() != QLatin1String("YES"))
        return;

    platform::RedrawLock lock(rEdit);
    const qsizetype caret = rEdit->SelStart();
    rEdit->setSelStart(0);
    rEdit->setSelLength(rEdit->TextLength());
    rEdit->setSelColor(skyrend::ColorValues[skyrend::White]);
    rEdit->setSelStart(caret);
    // The confirmation promised there is no way back, so undo cannot bring back the file's text.
    rEdit->document()->clearUndoRedoStacks();
    session_->markDiffersFromFile();
}
