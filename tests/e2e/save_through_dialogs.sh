#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real editor, as a user drives it, on a virtual X server:
#  1. a copy of the editor, alone in a folder, opens a tagged help file given as its argument;
#     Save As (Ctrl+Shift+S) through the real file dialog writes exactly what
#     `skyrend-f1 normalize` makes of that file, and config.ini beside the copy lists the saved
#     file first among the recent files, the opened one second;
#  1b. Replace All in the find bar (Ctrl+H, a word, Tab, its replacement, Ctrl+Alt+Enter), then
#     Ctrl+S, writes the normalized file with that word replaced;
#  2. in a new document (Ctrl+N), typing "%Rabc" switches to red and types "abc"; Ctrl+S goes
#     through the dialog and the header suggestion, and the file holds "%Rabc" CR LF;
#  3. a header line coloured from the Colors menu stays Green on screen, and the save writes
#     no tag in it;
#  4. Ctrl+Q ends the program.
#
# Usage: save_through_dialogs.sh EDITOR CLI HELPFILE
# Exits 77 (skipped) when Xvfb or xdotool is missing; ./test installs them.
set -euo pipefail

# shellcheck source=scripts/x11.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x11.sh"

editor_binary=${1:?usage: $0 EDITOR CLI HELPFILE}
cli=${2:?usage: $0 EDITOR CLI HELPFILE}
help_file=${3:?usage: $0 EDITOR CLI HELPFILE}

skyrend_skip_without_x_tools

# Only our own X server is used, never the display the test was started from.
unset DISPLAY

# Every wait ends by this deadline (seconds), so a stuck step fails instead of hanging.
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
    skyrend_end "$app_pid"
    skyrend_end "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*" >&2
    if [ -s "$work/editor.log" ]; then
        echo "--- editor output:" >&2
        cat "$work/editor.log" >&2
    fi
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- windows on the screen:" >&2
        local id
        for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
            echo "  $id: $(xdotool getwindowname "$id" 2>/dev/null)" >&2
        done
    fi
    exit 1
}

# wait_window NAME_REGEX: prints the id of a visible window whose name matches.
wait_window()
{
    skyrend_wait_window "$1" "$wait_limit" "$app_pid" || fail "see above"
}

# wait_file PATH: waits until PATH exists (the editor replaces files in one rename).
wait_file()
{
    local deadline=$((SECONDS + wait_limit))
    while [ ! -e "$1" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$1 was not written within ${wait_limit}s"
        sleep 0.2
    done
}

# count_pixels WINDOW RRGGBB: how many pixels of the window have exactly that colour.
count_pixels()
{
    local shot=$work/shot.xwd header ncolors
    xwd -silent -id "$1" >"$shot" || fail "xwd could not grab window $1"
    # XWD: a header of big-endian 32-bit fields (its size first, the colour count 20th), the
    # colour map (12 bytes an entry), then 32-bit pixels, least significant byte first (the
    # top byte is alpha, left out of the comparison).
    header=$(od -An -tu4 --endian=big -N4 "$shot" | tr -d ' ')
    ncolors=$(od -An -tu4 --endian=big -j76 -N4 "$shot" | tr -d ' ')
    tail -c +$((header + ncolors * 12 + 1)) "$shot" | od -An -v -tx4 -w4 |
        grep -c "$2\$" || true
}

# save_in_dialog PATH: types PATH into the "Save File As" dialog and presses Enter.
save_in_dialog()
{
    local dialog
    dialog=$(wait_window '^Save File As$')
    skyrend_focus "$dialog"
    # The name box may hold the name of the last save: replace it.
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Return
}

# --- A virtual X server on a free display.
skyrend_start_xvfb "$work" "$wait_limit" || fail "see above"
xvfb_pid=$skyrend_xvfb_pid

# The editor on X with Qt's own dialogs, whatever desktop the test was started from.
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY

# --- 1. Open by argument, Save As under a new name.
cp "$editor_binary" "$app_dir/skyrend-f1-editor"
input=$doc_dir/input.hlp
cp "$help_file" "$input"
"$cli" normalize "$input" -o "$work/expected.hlp" ||
    fail "skyrend-f1 normalize failed on $help_file"

(cd "$work" && exec "$app_dir/skyrend-f1-editor" "$input") >"$work/editor.log" 2>&1 &
app_pid=$!

main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[input\.hlp\]$')
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+shift+s
saved=$doc_dir/saved-as.hlp
save_in_dialog "$saved"
wait_file "$saved"
wait_window '^Skyrend F1 Editor v\.1\.2 \[saved-as\.hlp\]$' >/dev/null

cmp "$work/expected.hlp" "$saved" ||
    fail "Save As wrote other bytes than 'skyrend-f1 normalize' (expected $(wc -c <"$work/expected.hlp") bytes, got $(wc -c <"$saved"))"
echo "ok: Save As wrote $(wc -c <"$saved") bytes, the same as skyrend-f1 normalize"

settings=$app_dir/config.ini
[ -f "$settings" ] || fail "no config.ini beside the editor in $app_dir"
grep -qx '\[Recent\]' "$settings" || fail "config.ini has no [Recent] section: $(cat "$settings")"
grep -qxF "0=$saved" "$settings" || fail "config.ini does not list $saved first: $(cat "$settings")"
grep -qxF "1=$input" "$settings" || fail "config.ini does not list $input second: $(cat "$settings")"
echo "ok: config.ini beside the editor lists the saved file first and the opened one second"

# --- 1b. Replace All through the find bar, then Ctrl+S.
# "staff" stands in plain text only, in one colour each time: the tags around it stay as they are.
sed -e 's/Staff/admin/g' -e 's/staff/admin/g' "$work/expected.hlp" >"$work/replaced-expected.hlp"
cmp -s "$work/expected.hlp" "$work/replaced-expected.hlp" && fail "the help file has no \"staff\" to replace"
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+h
xdotool type --delay 30 'staff'
xdotool key Tab
xdotool type --delay 30 'admin'
xdotool key --clearmodifiers ctrl+alt+Return
wait_window '^Skyrend F1 Editor v\.1\.2 \[saved-as\.hlp\*\]$' >/dev/null
xdotool key --clearmodifiers ctrl+s
wait_window '^Skyrend F1 Editor v\.1\.2 \[saved-as\.hlp\]$' >/dev/null
cmp "$work/replaced-expected.hlp" "$saved" ||
    fail "Replace All and Ctrl+S wrote other bytes than the reference (expected $(wc -c <"$work/replaced-expected.hlp") bytes, got $(wc -c <"$saved"))"
echo "ok: Replace All of \"staff\" and Ctrl+S wrote the reference bytes"
# Escape closes the bar and gives the keys back to the text.
xdotool key Escape

# --- 2. A typed colour tag in a new document, saved with Ctrl+S.
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+n
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[Untitled[0-9]+\]$')
skyrend_focus "$main"
xdotool type --delay 50 '%Rabc'
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[Untitled[0-9]+\*\]$')
xdotool key --clearmodifiers ctrl+s
typed=$doc_dir/typed-tag.hlp
save_in_dialog "$typed"
# The new document has no "#" header line: the editor suggests one before it writes.
suggestion=$(wait_window '^Information$')
skyrend_focus "$suggestion"
xdotool key Return
wait_file "$typed"
wait_window '^Skyrend F1 Editor v\.1\.2 \[typed-tag\.hlp\]$' >/dev/null

printf '%%Rabc\r\n' >"$work/typed-expected.hlp"
cmp "$work/typed-expected.hlp" "$typed" ||
    fail "the typed document was saved as $(od -An -c "$typed" | tr -s ' ') instead of %Rabc CR LF"
echo "ok: typing %Rabc and saving wrote %Rabc CR LF"

# --- 3. Colouring a header line from the menu: it stays Green, and nothing of it is tagged.
green=73ff63 yellow=ffce63 red=ce0808
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+n
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[Untitled[0-9]+\]$')
skyrend_focus "$main"
xdotool type --delay 50 '#Rules'
xdotool key Return
xdotool type --delay 50 'body'
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[Untitled[0-9]+\*\]$')
# The header line alone, Yellow from the Colors menu (it opens on White, then Purple, Yellow).
xdotool key --clearmodifiers ctrl+Home shift+End
xdotool key --clearmodifiers alt+c
sleep 0.3
xdotool key Down Down Return
xdotool key --clearmodifiers ctrl+End # selected text shows in the selection's colours
sleep 0.5
[ "$(count_pixels "$main" "$yellow")" -eq 0 ] || fail "the header line shows Yellow"
[ "$(count_pixels "$main" "$green")" -gt 0 ] || fail "the header line does not show Green"
# Everything Red: the body turns Red, the header stays Green.
xdotool key --clearmodifiers ctrl+a
xdotool key --clearmodifiers alt+c
sleep 0.3
xdotool key Down Down Down Return
xdotool key --clearmodifiers ctrl+End
sleep 0.5
[ "$(count_pixels "$main" "$red")" -gt 0 ] || fail "the body does not show Red"
[ "$(count_pixels "$main" "$green")" -gt 0 ] || fail "the header line no longer shows Green"
xdotool key --clearmodifiers ctrl+s
header_doc=$doc_dir/header.hlp
save_in_dialog "$header_doc"
wait_file "$header_doc"
main=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[header\.hlp\]$')
printf '#Rules\r\n%%Rbody\r\n' >"$work/header-expected.hlp"
cmp "$work/header-expected.hlp" "$header_doc" ||
    fail "the coloured header was saved as $(od -An -c "$header_doc" | tr -s ' ')"
echo "ok: a header line coloured from the menu stays Green and is saved without tags"

# --- 4. Ctrl+Q ends the program (nothing is unsaved, so nothing is asked).
skyrend_focus "$main"
xdotool key --clearmodifiers ctrl+q
deadline=$((SECONDS + wait_limit))
while kill -0 "$app_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the editor did not end after Ctrl+Q"
    sleep 0.2
done
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the editor ended with status $status"
echo "ok: Ctrl+Q ended the editor"
