#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A running editor's recovery copy belongs to it, on a virtual X server:
#  0. reference: the keys typed into a copy of the help file and saved, without a crash;
#  1. editor A opens another copy of the file and the same keys are typed; its recovery copy
#     holds them, and A holds the lock of its open file, with its process id in it;
#  2. B, started without a file, offers nothing of A's live copy and ends with Ctrl+Q; the copy
#     stays as it was;
#  3. C, started on A's file, asks first (a box titled "Skyrend F1 Editor": the file is open in
#     another editor, open it here too?); Enter takes the default, No, and C stays on an
#     untitled document; A's copy and lock stay;
#  4. A is killed (SIGKILL); D, started without a file, offers the copy, Enter (Yes) recovers
#     it, and Ctrl+S writes the reference's bytes.
#
# Usage: two_editors_one_copy.sh EDITOR HELPFILE
# Exits 77 (skipped) when Xvfb or xdotool is missing; ./test installs them.
set -euo pipefail

# shellcheck source=tests/e2e/editor_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/editor_session.sh"

editor_binary=${1:?usage: $0 EDITOR HELPFILE}
help_file=${2:?usage: $0 EDITOR HELPFILE}
e2e_init "$editor_binary"

# type_edits WINDOW: the same keys in the reference and in A, at the end of the document.
type_edits()
{
    e2e_type_at_end "$1" '%Ynew line%G kept' 'typed in A'
}

# --- 0. The reference.
e2e_reference "$help_file" reference.hlp type_edits
echo "ok: reference saved ($(wc -c <"$e2e_reference_file") bytes)"

# --- 1. A edits its file; the copy and the open lock appear.
input=$doc_dir/input.hlp
cp "$help_file" "$input"
e2e_start A "$input"
a_pid=$e2e_pid
a_main=$(e2e_main_window 'input\.hlp' "$a_pid")
type_edits "$a_main"
e2e_main_window 'input\.hlp\*' "$a_pid" >/dev/null
a_copy=$(e2e_wait_copy_holding 'typed in A')
cp "$a_copy" "$work/a-copy"
open_lock=$(find "$app_dir" "$work/home" -name 'open-*.lock' -type f -print)
[ "$(printf '%s\n' "$open_lock" | grep -c .)" -eq 1 ] ||
    e2e_fail "not one lock of an open file: '$open_lock'"
[ "$(head -n 1 "$open_lock")" = "$a_pid" ] ||
    e2e_fail "the open file's lock names process $(head -n 1 "$open_lock"), not A ($a_pid)"
echo "ok: A's recovery copy holds its edits; A holds the lock of its open file"

# --- 2. B without a file: nothing to offer while A runs.
e2e_start B
b_pid=$e2e_pid
b_main=$(e2e_main_window 'Untitled[0-9]*' "$b_pid")
e2e_no_window '^Recover Unsaved Changes$' "$b_pid" 5
e2e_quit "$b_main" "$b_pid"
[ -f "$a_copy" ] || e2e_fail "A's recovery copy is gone after B ended"
cmp -s "$work/a-copy" "$a_copy" || e2e_fail "A's recovery copy changed while B ran"
echo "ok: B offered nothing of A's live copy and ended; the copy stayed"

# --- 3. C on A's file: asked first; No keeps it out.
e2e_start C "$input"
c_pid=$e2e_pid
question=$(e2e_window '^Skyrend F1 Editor$' "$c_pid")
e2e_key "$question" Return
c_main=$(e2e_main_window 'Untitled[0-9]*' "$c_pid")
e2e_no_window '^(Skyrend F1 Editor|Recover Unsaved Changes)$' "$c_pid" 3
c_main=$(e2e_main_window 'Untitled[0-9]*' "$c_pid") # still untitled, not input.hlp
e2e_quit "$c_main" "$c_pid"
[ "$(head -n 1 "$open_lock" 2>/dev/null)" = "$a_pid" ] ||
    e2e_fail "after C the open file's lock no longer names A"
cmp -s "$work/a-copy" "$a_copy" || e2e_fail "A's recovery copy changed while C ran"
cmp -s "$help_file" "$input" || e2e_fail "the file was written before any save"
echo "ok: C asked before opening A's file; No left it untitled, A's copy and lock stayed"

# --- 4. A dies; D recovers its copy and saves.
e2e_kill9 "$a_pid"
e2e_start D
d_pid=$e2e_pid
d_main=$(e2e_recover "$d_pid" 'input\.hlp')
cmp -s "$help_file" "$input" || e2e_fail "recovering wrote the file before the user saved"
e2e_key "$d_main" ctrl+s
d_main=$(e2e_main_window 'input\.hlp' "$d_pid")
cmp "$e2e_reference_file" "$input" ||
    e2e_fail "the recovered file holds other bytes than the reference ($(wc -c <"$input") vs $(wc -c <"$e2e_reference_file"))"
[ -z "$(e2e_copies)" ] || e2e_fail "the save left recovery copies: $(e2e_copies)"
e2e_quit "$d_main" "$d_pid"
echo "ok: after A was killed, D recovered its copy and saved the reference's bytes"
