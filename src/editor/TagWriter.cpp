// SPDX-License-Identifier: MIT
// Save: the session writes the coloured document back as tagged text.

#include "editor/frmMain.h"

#include "session/Progress.h"

QString frmMain::savedPercent(double percent)
{
    return session::savedPercent(percent);
}

bool frmMain::menu_Save_Click()
{
    return session_->save();
}
