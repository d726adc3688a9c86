#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A kill while Save As is under way loses nothing and writes nothing, on a virtual X server:
#  1. the editor starts without a file; "%Rbefore the kill" is typed (red text, no "#" header
#     line) and the recovery copy holds it;
#  2. Save As (Ctrl+Shift+S): while its dialog is open, and again once a name is chosen and
#     the box about the missing header line ("Information") asks before the write, the title
#     still shows the untitled document with "*"; the editor is killed (SIGKILL) there;
#  3. nothing was written at the chosen name; the editor, started again, offers the copy,
#     Enter (Yes) recovers it, and a save writes "%Rbefore the kill" CR LF.
#
# Usage: kill_during_save_as.sh EDITOR
# Exits 77 (skipped) when Xvfb or xdotool is missing; ./test installs them.
set -euo pipefail

# shellcheck source=tests/e2e/editor_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/editor_session.sh"

editor_binary=${1:?usage: $0 EDITOR}
e2e_init "$editor_binary"

# save_as PID PATH: types PATH into editor PID's "Save File As" dialog and presses Enter.
save_as()
{
    local dialog
    dialog=$(e2e_window '^Save File As$' "$1")
    e2e_key "$dialog" ctrl+a # the name box may hold a name already
    xdotool type --delay 20 "$2"
    xdotool key Return
}

# --- 1. Unsaved red text in an untitled document, kept in the recovery copy.
e2e_start edited
pid=$e2e_pid
main=$(e2e_main_window 'Untitled[0-9]*' "$pid")
skyrend_focus "$main"
xdotool type --delay 30 '%Rbefore the kill'
e2e_main_window 'Untitled[0-9]*\*' "$pid" >/dev/null
e2e_wait_copy_holding 'before the kill' >/dev/null
echo "ok: the recovery copy holds the untitled document's text"

# --- 2. Save As, and a kill before it writes.
chosen=$doc_dir/chosen.hlp
e2e_key "$main" ctrl+shift+s
e2e_window '^Save File As$' "$pid" >/dev/null
e2e_main_window 'Untitled[0-9]*\*' "$pid" >/dev/null
save_as "$pid" "$chosen"
e2e_window '^Information$' "$pid" >/dev/null
e2e_main_window 'Untitled[0-9]*\*' "$pid" >/dev/null
[ ! -e "$chosen" ] || e2e_fail "Save As wrote $chosen before the box about the header line was answered"
e2e_kill9 "$pid"
echo "ok: with the Save As dialog and then the header box open, the title kept Untitled*; killed there"

# --- 3. Nothing written; recovered and saved.
[ ! -e "$chosen" ] || e2e_fail "the killed Save As left $chosen behind"
[ -z "$(find "$doc_dir" -mindepth 1 -print)" ] ||
    e2e_fail "the killed Save As left files behind: $(find "$doc_dir" -mindepth 1 -print)"
e2e_start recovered
pid=$e2e_pid
main=$(e2e_recover "$pid" 'Untitled[0-9]*')
e2e_key "$main" ctrl+s
saved=$doc_dir/saved.hlp
save_as "$pid" "$saved"
suggestion=$(e2e_window '^Information$' "$pid")
e2e_key "$suggestion" Return
main=$(e2e_main_window 'saved\.hlp' "$pid")
printf '%%Rbefore the kill\r\n' >"$work/expected.hlp"
cmp "$work/expected.hlp" "$saved" ||
    e2e_fail "the recovered document was saved as $(od -An -c "$saved" | tr -s ' ') instead of %Rbefore the kill CR LF"
[ -z "$(e2e_copies)" ] || e2e_fail "the save left recovery copies: $(e2e_copies)"
[ ! -e "$chosen" ] || e2e_fail "$chosen appeared after the recovery"
e2e_quit "$main" "$pid"
echo "ok: nothing was written at the chosen name; the recovered text saved as %Rbefore the kill CR LF"
