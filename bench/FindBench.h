// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class frmMain;

// Speed of find and replace on the file at `path` (the 1 MiB bench document): prints
// find_all_1mib_ms (every match of a common word, colour filter on), replace_all_1mib_ms (one
// Replace All of about 1,000 matches) and key_p99_findbar_us (typing with the find bar open and
// the typing-colour swatch in place). False when something went wrong.
bool benchFind(frmMain& window, const QString& path);
