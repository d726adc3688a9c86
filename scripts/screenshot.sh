#!/usr/bin/env bash
# Makes the README's picture: the editor, on a virtual X server, showing the sample help file.
#   scripts/screenshot.sh [OUTPUT.png]     (default: docs/screenshot.png)
# Builds the editor first, like ./run.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
source "$root/scripts/packages.sh"

output=${1:-$root/docs/screenshot.png}

if [ "${SKYREND_SCREENSHOT_INNER:-}" != 1 ]; then
    skyrend_install_missing "${SKYREND_PACKAGES[@]}" "${SKYREND_SCREENSHOT_PACKAGES[@]}"
    skyrend_build "$root/build"
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

wait_window()
{
    local deadline=$((SECONDS + 60)) id
    while [ "$SECONDS" -lt "$deadline" ]; do
        kill -0 "$app_pid" 2>/dev/null || { echo "error: the editor ended" >&2; exit 1; }
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "error: no window named /$1/" >&2
    exit 1
}

# The editor's own settings file goes to a scratch folder with its copy, so the picture never
# shows this machine's recent files, and the checkout keeps no config.ini.
cp "$root/build/bin/skyrend-f1-editor" "$work/"
cp "$root/examples/Commands.hlp" "$work/"
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
(cd "$work" && exec ./skyrend-f1-editor Commands.hlp) >"$work/editor.log" 2>&1 &
app_pid=$!

window=$(wait_window '^Skyrend F1 Editor v\.1\.2 \[Commands\.hlp\]$')
xdotool windowsize --sync "$window" 680 400 2>/dev/null || xdotool windowsize "$window" 680 400
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
# Move the caret into the first page, so the status line names that page's header instead of
# the folder the file was loaded from.
xdotool key --clearmodifiers ctrl+Home Down Down
# Let the window finish painting before it is grabbed.
sleep 1

xwd -id "$window" -silent | convert xwd:- -strip "png:$output"
echo "Wrote $output ($(identify -format '%wx%h' "$output"))"
