# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Shared by the end-to-end scripts that start the editor more than once: a temporary folder
# with a copy of the editor (which keeps config.ini and its recovery folder beside itself), a
# virtual X server, editors started and waited for by process id, and the recovery copies.
# Sourced after `set -euo pipefail`; e2e_init sets everything up and the cleanup trap.

# shellcheck source=scripts/x11.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x11.sh"

# e2e_init EDITOR: the temporary folder ($work, with $app_dir and $doc_dir), the X server, the
# environment the editor runs in, and the trap that ends whatever was started.
e2e_init()
{
    skyrend_skip_without_x_tools
    unset DISPLAY # only our own X server, never the display the test was started from
    # Every wait ends by this deadline (seconds), so a stuck step fails instead of hanging.
    wait_limit=${SKYREND_E2E_WAIT:-60}
    work=$(mktemp -d)
    app_dir=$work/app
    doc_dir=$work/documents
    mkdir -p "$app_dir" "$doc_dir" "$work/home" "$work/runtime"
    chmod 700 "$work/runtime"
    e2e_pids=()
    e2e_xvfb_pid=
    trap e2e_cleanup EXIT

    skyrend_start_xvfb "$work" "$wait_limit" || e2e_fail "see above"
    e2e_xvfb_pid=$skyrend_xvfb_pid
    export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY
    cp "$1" "$app_dir/skyrend-f1-editor"
}

# e2e_need TOOL...: ends the test as skipped (77) when a tool beyond Xvfb and xdotool is
# missing. Call before e2e_init.
e2e_need()
{
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (./test installs it)"
            exit 77
        fi
    done
}

# e2e_clipboard_put FILE: another program (xclip) offers FILE's bytes, UTF-8 text, on the
# clipboard; it keeps them there until something else takes the clipboard or the X server ends.
e2e_clipboard_put()
{
    xclip -selection clipboard -target UTF8_STRING -in "$1" >/dev/null 2>&1 ||
        e2e_fail "xclip could not take the clipboard"
}

# e2e_clipboard_get: prints the clipboard's text as another program (xclip) reads it.
e2e_clipboard_get()
{
    xclip -selection clipboard -target UTF8_STRING -out
}

e2e_cleanup()
{
    local pid
    for pid in "${e2e_pids[@]}"; do
        skyrend_end "$pid" KILL
    done
    skyrend_end "$e2e_xvfb_pid"
    rm -rf "$work"
}

# e2e_fail MESSAGE: says what failed, with every editor's output and the windows on the screen.
e2e_fail()
{
    echo "FAIL: $*" >&2
    local log id
    for log in "$work"/editor-*.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log"):" >&2
        cat "$log" >&2
    done
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- windows on the screen:" >&2
        for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
            echo "  $id: $(xdotool getwindowname "$id" 2>/dev/null)" >&2
        done
    fi
    exit 1
}

# e2e_start RUN_NAME [ARG...]: starts the editor copy with ARGs (its output in
# editor-RUN_NAME.log) and sets e2e_pid to its process id.
e2e_start()
{
    local name=$1
    shift
    (cd "$work" && exec "$app_dir/skyrend-f1-editor" "$@") >"$work/editor-$name.log" 2>&1 &
    e2e_pid=$!
    e2e_pids+=("$e2e_pid")
}

# e2e_alive PID: whether the editor still runs (one that ended but is not reaped yet does not).
e2e_alive()
{
    kill -0 "$1" 2>/dev/null && [ "$(ps -o stat= -p "$1" 2>/dev/null | cut -c1)" != Z ]
}

# e2e_window NAME_REGEX PID: prints the id of a visible window of the editor PID whose whole
# name matches; fails when the editor ends or time runs out.
e2e_window()
{
    local deadline=$((SECONDS + wait_limit)) id
    while [ "$SECONDS" -lt "$deadline" ]; do
        e2e_alive "$2" || e2e_fail "editor $2 ended while waiting for a window /$1/"
        id=$(xdotool search --all --onlyvisible --pid "$2" --name "$1" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    e2e_fail "editor $2 showed no window named /$1/ within ${wait_limit}s"
}

# e2e_main_window NAME PID: the main window of editor PID with NAME (a regex, "*" written as
# "\*") in its title.
e2e_main_window()
{
    e2e_window "^Skyrend F1 Editor v\\.1\\.2 \\[$1\\]\$" "$2"
}

# e2e_no_window NAME_REGEX PID SECONDS: fails if editor PID shows such a window within SECONDS.
e2e_no_window()
{
    local deadline=$((SECONDS + $3))
    while [ "$SECONDS" -lt "$deadline" ]; do
        if [ -n "$(xdotool search --all --onlyvisible --pid "$2" --name "$1" 2>/dev/null || true)" ]; then
            e2e_fail "editor $2 showed a window named /$1/"
        fi
        sleep 0.2
    done
}

# e2e_key WINDOW KEY...: gives WINDOW the keyboard and presses the keys.
e2e_key()
{
    skyrend_focus "$1"
    shift
    xdotool key --clearmodifiers "$@"
}

# e2e_type_at_end WINDOW LINE...: types the lines at the end of WINDOW's document, a Return
# between them.
e2e_type_at_end()
{
    e2e_key "$1" ctrl+End
    shift
    local line first=1
    for line in "$@"; do
        [ -n "$first" ] || xdotool key Return
        first=
        xdotool type --delay 30 "$line"
    done
}

# e2e_wait_exit PID: waits for the editor to end by itself; sets e2e_status to its exit
# status. (Not in a subshell: only the shell that started the editor can reap it.)
e2e_wait_exit()
{
    local deadline=$((SECONDS + wait_limit))
    while kill -0 "$1" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "editor $1 did not end within ${wait_limit}s"
        sleep 0.2
    done
    e2e_status=0
    wait "$1" || e2e_status=$?
}

# e2e_quit WINDOW PID: Ctrl+Q in the editor's main window; it must end with status 0.
e2e_quit()
{
    e2e_key "$1" ctrl+q
    e2e_wait_exit "$2"
    [ "$e2e_status" -eq 0 ] || e2e_fail "editor $2 ended with status $e2e_status after Ctrl+Q"
}

# e2e_kill9 PID: kills the editor with SIGKILL and reaps it.
e2e_kill9()
{
    kill -9 "$1"
    wait "$1" 2>/dev/null || true
}

# e2e_copies: the recovery copies the editors keep beside their config.ini, one a line.
e2e_copies()
{
    find "$app_dir" "$work/home" -name '*.recovery' -type f -print
}

# e2e_copy_holding TEXT: prints the recovery copy whose text holds the ASCII TEXT (the copy
# keeps the text as UTF-16LE), or fails (status 1) when none does.
e2e_copy_holding()
{
    local pattern copy
    pattern=$(printf '%s' "$1" | od -An -v -tx1 | tr -d '\n' | sed -e 's/ \([0-9a-f]*\)/\\x\1\\x00/g')
    while IFS= read -r copy; do
        if LC_ALL=C grep -qaP -- "$pattern" "$copy"; then
            echo "$copy"
            return 0
        fi
    done < <(e2e_copies)
    return 1
}

# e2e_wait_copy_holding TEXT: waits until a recovery copy holds TEXT; prints its path.
e2e_wait_copy_holding()
{
    local deadline=$((SECONDS + wait_limit))
    until e2e_copy_holding "$1"; do
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no recovery copy holds \"$1\": $(e2e_copies)"
        sleep 0.2
    done
}

# e2e_recover PID NAME: editor PID, started without a file, offers a recovery copy; Enter takes
# it (Yes), and its main window shows NAME (a regex) with "*". Prints the main window's id.
e2e_recover()
{
    local question
    question=$(e2e_window '^Recover Unsaved Changes$' "$1")
    e2e_key "$question" Return
    e2e_main_window "$2\\*" "$1"
}

# e2e_reference HELPFILE NAME TYPE_EDITS: the edits made without a crash. The editor opens a copy
# of HELPFILE named NAME in $doc_dir, the function TYPE_EDITS types into its main window (its id
# the argument), Ctrl+S saves and Ctrl+Q ends it; a clean exit leaves no recovery copy. Sets
# e2e_reference_file to the saved reference.
e2e_reference()
{
    local reference=$doc_dir/$2 main pid name
    name=${2//./\\.}
    cp "$1" "$reference"
    e2e_start reference "$reference"
    pid=$e2e_pid
    main=$(e2e_main_window "$name" "$pid")
    "$3" "$main"
    main=$(e2e_main_window "$name\\*" "$pid")
    e2e_key "$main" ctrl+s
    main=$(e2e_main_window "$name" "$pid")
    cmp -s "$1" "$reference" && e2e_fail "the reference run saved nothing new"
    e2e_quit "$main" "$pid"
    [ -z "$(e2e_copies)" ] || e2e_fail "a clean exit left recovery copies: $(e2e_copies)"
    # shellcheck disable=SC2034 # read by the scripts that source this file
    e2e_reference_file=$reference
}
