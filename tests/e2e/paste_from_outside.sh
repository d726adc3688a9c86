#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tagged text from another program, on a virtual X server:
#  1. the editor opens a small help file; xclip puts a tagged block (a header line, colour tags,
#     "%%", a euro sign, CR LF line breaks and one at the end) on the clipboard; Ctrl+End and
#     Ctrl+V paste it, read by its tags from the red at the caret; Ctrl+S writes exactly the
#     bytes a save of that text gives;
#  2. Ctrl+A and Edit, Copy with Tags (Ctrl+Shift+C) give another program the document's tagged
#     text: the saved file without its closing CR LF.
#
# Usage: paste_from_outside.sh EDITOR
# Exits 77 (skipped) when Xvfb, xdotool or xclip is missing; ./test installs them.
set -euo pipefail

# shellcheck source=tests/e2e/editor_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/editor_session.sh"

editor_binary=${1:?usage: $0 EDITOR}
e2e_need xclip
e2e_init "$editor_binary"

# --- 1. A tagged block pasted at the end of red text, then saved.
input=$doc_dir/input.hlp
printf '#Start\r\n%%Rred line\r\n' >"$input"
# UTF-8, as programs put text on the X clipboard.
printf '\r\n#Pasted\r\n%%Yyellow 50%%%% off %%Bblue\r\n%%%%G\xe2\x82\xac5\r\n' >"$work/block.txt"
e2e_start paste "$input"
pid=$e2e_pid
main=$(e2e_main_window 'input\.hlp' "$pid")
e2e_clipboard_put "$work/block.txt"
e2e_key "$main" ctrl+End ctrl+v
main=$(e2e_main_window 'input\.hlp\*' "$pid")
e2e_key "$main" ctrl+s
main=$(e2e_main_window 'input\.hlp' "$pid")
# "%%" is one visible "%": before a space the save writes it alone; "%%G" is a tag. The euro
# sign is Windows-1252 byte 0x80. The block's final line break is kept: an empty last line,
# then the CR LF a save writes after the document.
printf '#Start\r\n%%Rred line\r\n#Pasted\r\n%%Yyellow 50%% off %%Bblue\r\n%%G\x805\r\n\r\n' \
    >"$work/expected.hlp"
cmp "$work/expected.hlp" "$input" ||
    e2e_fail "the pasted block was saved as $(od -An -c "$input" | tr -s ' ') instead of $(od -An -c "$work/expected.hlp" | tr -s ' ')"
echo "ok: a tagged block pasted from xclip with Ctrl+V saved as the expected $(wc -c <"$input") bytes"

# --- 2. Copy with Tags gives another program the tagged text.
e2e_key "$main" ctrl+a ctrl+shift+c
sleep 0.5
printf '#Start\r\n%%Rred line\r\n#Pasted\r\n%%Yyellow 50%% off %%Bblue\r\n%%G\xe2\x82\xac5\r\n' \
    >"$work/expected-copy.txt"
e2e_clipboard_get >"$work/copied.txt" || e2e_fail "xclip could not read the clipboard"
cmp "$work/expected-copy.txt" "$work/copied.txt" ||
    e2e_fail "Copy with Tags gave $(od -An -c "$work/copied.txt" | tr -s ' ')"
echo "ok: Copy with Tags gave xclip the saved text without its closing CR LF"

e2e_quit "$main" "$pid"
