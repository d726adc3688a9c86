// SPDX-License-Identifier: MIT
// The colorizer's names: the session turns a help file's tagged text into the coloured document
// in the edit box.

#include "editor/frmMain.h"

#include "document/HelpFileReader.h"
#include "session/Progress.h"

int frmMain::phase2Percent(std::size_t k, std::size_t m)
{
    return session::phase2Percent(k, m);
}

void frmMain::colorText(const QString& text, RichTextBox* target)
{
    if (target == rEdit)
        session_->loadTagged(text);
}

void frmMain::colorText(skyrend::HelpFileReader& reader, RichTextBox* target)
{
    if (target == rEdit)
        session_->load(reader);
}
