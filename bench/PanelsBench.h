// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class frmMain;

// Speed of the Pages and Problems panels on the file at `path` (the 1 MiB bench document):
// prints panels_refresh_1mib_ms (both panels brought up to date after one edit) with its parts,
// and key_p99_panels_us (typing with both panels open). False when something went wrong.
bool benchPanels(frmMain& window, const QString& path);
