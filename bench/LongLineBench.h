// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

class frmMain;

// Lines far longer than a help page's. Prints long_line_load_ms: a 2 MiB file of one line
// opened through the window's open path (the editor refuses it with one message) until the
// window is idle again; long_line_key_ms: one key typed in the middle of a line as long as the
// editor opens, shown (medians with the lowest and highest run); and long_lines_10mib_open_ms
// with long_lines_max_gap_ms: opening 10 MiB of such lines, and the longest time the window did
// not answer meanwhile. `boxes` counts the message
// boxes shown; the refusals' are taken off it. False when the window did not end as expected.
bool benchLongLines(frmMain& window, const QString& folder, int& boxes);
