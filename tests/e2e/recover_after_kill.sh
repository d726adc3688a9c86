#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A kill during editing loses nothing, on a virtual X server:
#  1. reference: a copy of the editor opens a help file, the same keys are typed at its end,
#     Ctrl+S saves and Ctrl+Q ends it; a clean exit leaves no recovery copy behind;
#  2. crash: the editor opens another copy of the file, the keys are typed, and once the
#     recovery copy holds them the editor is killed with SIGKILL;
#  3. the editor starts again without a file, offers the copy ("Recover Unsaved Changes"),
#     Enter takes the default (Yes), the title shows the edited file, and Ctrl+S writes it:
#     its bytes equal the reference's, and the copy is gone.
#
# Usage: recover_after_kill.sh EDITOR HELPFILE
# Exits 77 (skipped) when Xvfb or xdotool is missing; ./test installs them.
set -euo pipefail

# shellcheck source=tests/e2e/editor_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/editor_session.sh"

editor_binary=${1:?usage: $0 EDITOR HELPFILE}
help_file=${2:?usage: $0 EDITOR HELPFILE}
e2e_init "$editor_binary"

# type_edits WINDOW: the same keys in both runs, at the end of the document.
type_edits()
{
    e2e_type_at_end "$1" '%Ynew line%G kept' 'after the crash'
}

# --- 1. The reference: the same edits, saved without a crash.
e2e_reference "$help_file" reference.hlp type_edits
echo "ok: reference saved ($(wc -c <"$e2e_reference_file") bytes); the clean exit left no recovery copy"

# --- 2. The same edits, then a kill once the recovery copy holds them.
input=$doc_dir/input.hlp
cp "$help_file" "$input"
e2e_start crashed "$input"
main=$(e2e_main_window 'input\.hlp' "$e2e_pid")
type_edits "$main"
e2e_main_window 'input\.hlp\*' "$e2e_pid" >/dev/null
e2e_wait_copy_holding 'after the crash' >/dev/null
e2e_kill9 "$e2e_pid"
cmp -s "$help_file" "$input" || e2e_fail "the file was written before any save"
echo "ok: the recovery copy held the edits when the editor was killed"

# --- 3. Start again, recover, save.
e2e_start recovered
main=$(e2e_recover "$e2e_pid" 'input\.hlp')
cmp -s "$help_file" "$input" || e2e_fail "recovering wrote the file before the user saved"
e2e_key "$main" ctrl+s
main=$(e2e_main_window 'input\.hlp' "$e2e_pid")
cmp "$e2e_reference_file" "$input" ||
    e2e_fail "after recovery the file holds other bytes than the reference ($(wc -c <"$input") vs $(wc -c <"$e2e_reference_file"))"
[ -z "$(e2e_copies)" ] || e2e_fail "the save left recovery copies: $(e2e_copies)"
e2e_quit "$main" "$e2e_pid"
echo "ok: recovered after kill -9 and saved the same bytes as the reference"
