# shellcheck shell=bash
# Helpers for driving the editor on an X server with xdotool; sourced by scripts/screenshot.sh
# and the end-to-end test.

# skyrend_wait_window NAME_REGEX SECONDS PID: prints the id of a visible window whose name
# matches. Fails (status 1, a message on stderr) when the program PID ends or time runs out.
skyrend_wait_window()
{
    local deadline=$((SECONDS + $2)) id
    while [ "$SECONDS" -lt "$deadline" ]; do
        if ! kill -0 "$3" 2>/dev/null; then
            echo "the editor ended while waiting for a window named /$1/" >&2
            return 1
        fi
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "no window named /$1/ within $2 s" >&2
    return 1
}

# skyrend_focus WINDOW: gives WINDOW the keyboard (there is no window manager to do it).
skyrend_focus()
{
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool mousemove --window "$1" 10 10
}
