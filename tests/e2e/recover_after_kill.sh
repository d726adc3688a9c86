#!/usr/bin/env bash
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

# shellcheck source=scripts/x11.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x11.sh"

editor_binary=${1:?usage: $0 EDITOR HELPFILE}
help_file=${2:?usage: $0 EDITOR HELPFILE}

skyrend_skip_without_x_tools
unset DISPLAY
wait_limit=${SKYREND_E2E_WAIT:-60}

work=$(mktemp -d)
app_dir=$work/app
doc_dir=$work/documents
mkdir -p "$app_dir" "$doc_dir" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

xvfb_pid=
app_pid=
cleanup()
{
    skyrend_end "$app_pid" KILL
    skyrend_end "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*" >&2
    local log
    for log in "$work"/editor-*.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log"):" >&2
        cat "$log" >&2
    done
    exit 1
}

wait_window()
{
    skyrend_wait_window "$1" "$wait_limit" "$app_pid" || fail "see above"
}

# recovery_copies: the recovery files the editor keeps beside its config.ini.
recovery_copies()
{
    find "$work" -path "$doc_dir" -prune -o -name '*.recovery' -type f -print
}

# start_editor RUN_NAME [FILE]
start_editor()
{
    local name=$1
    shift
    (cd "$work" && exec "$app_dir/skyrend-f1-editor" "$@") >"$work/editor-$name.log" 2>&1 &
    app_pid=$!
}

# type_edits WINDOW: the same keys in both runs, at the end of the document.
type_edits()
{
    skyrend_focus "$1"
    xdotool key --clearmodifiers ctrl+End
    xdotool type --delay 30 '%Ynew line%G kept'
    xdotool key Return
    xdotool type --delay 30 'after the crash'
}

# wait_gone: waits for the editor to end and checks it ended well.
wait_ended()
{
    local deadline=$((SECONDS + wait_limit)) status=0
    while kill -0 "$app_pid" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the editor did not end"
        sleep 0.2
    done
    wait "$app_pid" || status=$?
    app_pid=
    [ "$status" -eq 0 ] || fail "the editor ended with status $status"
}

skyrend_start_xvfb "$work" "$wait_limit" || fail "see above"
xvfb_pid=$skyrend_xvfb_pid
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY

cp "$editor_binary" "$app_dir/skyrend-f1-editor"

# --- 1. The reference: the same edits, saved without a crash.
reference=$doc_dir/reference.hlp
cp "$help_file" "$reference"
start_editor reference "$reference"
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[reference\.hlp\]$')
type_edits "$main"
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[reference\.hlp\*\]$')
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+s
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[reference\.hlp\]$')
cmp -s "$help_file" "$reference" && fail "the reference run saved nothing new"
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+q
wait_ended
[ -z "$(recovery_copies)" ] || fail "a clean exit left recovery copies: $(recovery_copies)"
echo "ok: reference saved ($(wc -c <"$reference") bytes); the clean exit left no recovery copy"

# --- 2. The same edits, then a kill once the recovery copy holds them.
input=$doc_dir/input.hlp
cp "$help_file" "$input"
start_editor crashed "$input"
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[input\.hlp\]$')
type_edits "$main"
wait_window '^Skyrend F1 Editor v\.1\.2 \[input\.hlp\*\]$' >/dev/null
deadline=$((SECONDS + wait_limit))
until [ -n "$(recovery_copies)" ] && grep -q 'after the crash' $(recovery_copies); do
    [ "$SECONDS" -lt "$deadline" ] || fail "no recovery copy holds the typed text"
    sleep 0.2
done
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=
cmp -s "$help_file" "$input" || fail "the file was written before any save"
echo "ok: the recovery copy held the edits when the editor was killed"

# --- 3. Start again, recover, save.
start_editor recovered
question=$(wait_window '^Recover Unsaved Changes$')
skyrend_focus "$question"
xdotool key Return
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[input\.hlp\*\]$')
cmp -s "$help_file" "$input" || fail "recovering wrote the file before the user saved"
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+s
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[input\.hlp\]$')
cmp "$reference" "$input" ||
    fail "after recovery the file holds other bytes than the reference ($(wc -c <"$input") vs $(wc -c <"$reference"))"
[ -z "$(recovery_copies)" ] || fail "the save left recovery copies: $(recovery_copies)"
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+q
wait_ended
echo "ok: recovered after kill -9 and saved the same bytes as the reference"
