# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Helpers for running the editor on a virtual X server and driving it with xdotool; sourced by
# scripts/screenshot.sh, the end-to-end tests and the package test.

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

# skyrend_start_xvfb FOLDER SECONDS: starts a virtual X server on a free display (its log in
# FOLDER/xvfb.log), exports DISPLAY and sets skyrend_xvfb_pid. -noreset: the server would reset
# when its last client goes (an editor that ends or is killed) and refuse the next for a moment.
# Fails (status 1, a message on stderr) when there is no display within SECONDS.
skyrend_start_xvfb()
{
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" \
        >"$1/xvfb.log" 2>&1 &
    skyrend_xvfb_pid=$!
    local deadline=$((SECONDS + $2))
    until [ -s "$1/display" ]; do
        if ! kill -0 "$skyrend_xvfb_pid" 2>/dev/null; then
            cat "$1/xvfb.log" >&2
            echo "Xvfb did not start" >&2
            return 1
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "Xvfb gave no display within $2 s" >&2
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(tr -d '[:space:]' <"$1/display")"
    export DISPLAY
}

# skyrend_end PID [SIGNAL]: ends a process the script started, if it still runs, and reaps it.
# An empty PID does nothing.
skyrend_end()
{
    [ -n "$1" ] || return 0
    if kill -0 "$1" 2>/dev/null; then
        kill "-${2:-TERM}" "$1" 2>/dev/null || true
    fi
    wait "$1" 2>/dev/null || true
}

# skyrend_skip_without_x_tools: ends a test as skipped (exit status 77, CTest's SKIP_RETURN_CODE)
# when Xvfb or xdotool is missing.
skyrend_skip_without_x_tools()
{
    local tool
    for tool in Xvfb xdotool; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (./test installs it)"
            exit 77
        fi
    done
}
