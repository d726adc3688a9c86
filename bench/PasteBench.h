// SPDX-License-Identifier: MIT

#pragma once

class frmMain;

// Speed of pasting tagged text from another program: prints paste_tagged_100kib_ms, 100 KiB of
// the bench document's tagged text pasted with Ctrl+V into the edit box and shown, the median
// with the lowest and highest run. False when the paste gave other text than expected.
bool benchPaste(frmMain& window);
