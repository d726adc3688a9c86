// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class frmMain;

// What a user feels while typing in a big document with both panels shown and the recovery
// copy on. Prints, for the 1 MiB file at `path1` and the 10 MiB file at `path10`:
//   edit_max_gap_1mib_ms, edit_max_gap_10mib_ms: the longest hold of the event loop while
//     typing bursts of three keys with pauses of four seconds (the panels and the recovery copy
//     do their work in the pauses);
//   panels_refresh_10mib_ms: the panels brought up to date after a one-line edit;
//   recovery_ui_ms_10mib: the window thread's share of one recovery write;
//   rss_10mib_mb: the resident memory with the 10 MiB document open.
bool benchEditGaps(frmMain& window, const QString& path1, const QString& path10);
