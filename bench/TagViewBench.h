// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class frmMain;

// Speed of View > Show Tags on the 1 MiB bench file: prints tagview_toggle_1mib_ms (to the tags,
// through the first paint) and tagview_back_1mib_ms (back to the coloured text after a typed
// key among the tags), medians with the lowest and highest run. False when a round trip changed
// the document.
bool benchTagView(frmMain& window, const QString& path);
