#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SIGTERM and SIGHUP keep the edits, on a virtual X server:
#  0. reference: keys typed at the end of a copy of the help file, saved, without a signal;
#  1. for SIGTERM, then SIGHUP: the editor opens another copy, the keys are typed, and the
#     signal comes at once, before the recovery copy's delay has run out (no copy is on disk
#     yet); the editor ends by itself, without asking, with status 128 + the signal, and leaves
#     a recovery copy that holds the edits; the file itself is untouched;
#  2. started again without a file, the editor offers the copy, Enter (Yes) recovers it, and
#     Ctrl+S writes the reference's bytes.
#
# Usage: signal_keeps_edits.sh EDITOR HELPFILE
# Exits 77 (skipped) when Xvfb or xdotool is missing; ./test installs them.
set -euo pipefail

# shellcheck source=tests/e2e/editor_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/editor_session.sh"

editor_binary=${1:?usage: $0 EDITOR HELPFILE}
help_file=${2:?usage: $0 EDITOR HELPFILE}
e2e_init "$editor_binary"

# type_edits WINDOW: a few keys, quickly, the same in every run.
type_edits()
{
    e2e_key "$1" ctrl+End Return
    xdotool type --delay 20 '%Ysignal kept'
}

e2e_reference "$help_file" reference.hlp type_edits
echo "ok: reference saved ($(wc -c <"$e2e_reference_file") bytes)"

for signal in TERM HUP; do
    input=$doc_dir/input-$signal.hlp
    cp "$help_file" "$input"
    e2e_start "$signal" "$input"
    pid=$e2e_pid
    main=$(e2e_main_window "input-$signal\\.hlp" "$pid")
    type_edits "$main"
    e2e_main_window "input-$signal\\.hlp\\*" "$pid" >/dev/null
    sleep 0.5 # the last keys reach the editor; the copy is due two seconds after the first
    [ -z "$(e2e_copies)" ] ||
        e2e_fail "the recovery copy was written before SIG$signal was sent (the editor is too slow for this test)"
    kill "-$signal" "$pid"
    e2e_wait_exit "$pid"
    status=$e2e_status
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" -eq "$expected" ] || e2e_fail "after SIG$signal the editor ended with status $status, not $expected"
    grep -q 'could not be kept' "$work/editor-$signal.log" && e2e_fail "the editor says it could not keep the edits"
    e2e_copy_holding 'signal kept' >/dev/null || e2e_fail "after SIG$signal no recovery copy holds the edits: $(e2e_copies)"
    cmp -s "$help_file" "$input" || e2e_fail "SIG$signal wrote the file itself"
    echo "ok: SIG$signal right after typing: the editor ended with status $status and kept a recovery copy"

    e2e_start "recovered-$signal"
    pid=$e2e_pid
    main=$(e2e_recover "$pid" "input-$signal\\.hlp")
    e2e_key "$main" ctrl+s
    main=$(e2e_main_window "input-$signal\\.hlp" "$pid")
    cmp "$e2e_reference_file" "$input" ||
        e2e_fail "after SIG$signal the recovered file holds other bytes than the reference ($(wc -c <"$input") vs $(wc -c <"$e2e_reference_file"))"
    [ -z "$(e2e_copies)" ] || e2e_fail "the save left recovery copies: $(e2e_copies)"
    e2e_quit "$main" "$pid"
    echo "ok: the edits kept on SIG$signal were recovered and saved as the reference"
done
