#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the README's picture: the editor, on a virtual X server, showing the sample help file.
#   scripts/screenshot.sh [OUTPUT.png]     (default: docs/screenshot.png)
# Builds the editor first, like ./run.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
source "$root/scripts/packages.sh"
# shellcheck source=scripts/x11.sh
source "$root/scripts/x11.sh"

output=${1:-$root/docs/screenshot.png}

if [ "${SKYREND_SCREENSHOT_INNER:-}" != 1 ]; then
    skyrend_install_missing "${SKYREND_PACKAGES[@]}" "${SKYREND_SCREENSHOT_PACKAGES[@]}"
    skyrend_build "$root/build" skyrend-f1-editor
    mkdir -p "$(dirname "$output")"
    output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
    SKYREND_SCREENSHOT_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$output"
fi

# From here on we are inside the virtual X server.
work=$(mktemp -d)
app_pid=
cleanup()
{
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The editor's own settings file goes to a scratch folder with its copy, so the picture never
# shows this machine's recent files, and the checkout keeps no config.ini.
cp "$root/build/bin/skyrend-f1-editor" "$work/"
cp "$root/examples/Commands.hlp" "$work/"
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
(cd "$work" && exec ./skyrend-f1-editor Commands.hlp) >"$work/editor.log" 2>&1 &
app_pid=$!

window=$(skyrend_wait_window '^Skyrend F1 Editor v\.1\.2 \[Commands\.hlp\]$' 60 "$app_pid")
xdotool windowsize --sync "$window" 680 400 2>/dev/null || xdotool windowsize "$window" 680 400
skyrend_focus "$window"
# Move the caret into the first page, so the status line names that page's header instead of
# the folder the file was loaded from.
xdotool key --clearmodifiers ctrl+Home Down Down
# Let the window finish painting before it is grabbed.
sleep 1

xwd -id "$window" -silent | convert xwd:- -strip "png:$output"
echo "Wrote $output ($(identify -format '%wx%h' "$output"))"
