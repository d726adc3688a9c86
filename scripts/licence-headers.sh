#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file of the project says its licence in its first lines:
#   scripts/licence-headers.sh          lists the files that don't, and fails if there are any
#   scripts/licence-headers.sh --add    adds the line to those files
# Source files are the C++ sources, CMake files and scripts; data, pictures and documents are not.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tag='SPDX-License-Identifier: MIT'

mode=check
case "${1:-}" in
    "") ;;
    --add) mode=add ;;
    *)
        echo "usage: $0 [--add]" >&2
        exit 2
        ;;
esac

sources()
{
    cd "$root"
    # Without git (an unpacked tarball), every file counts that is not in a build folder.
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . -path './build*' -prune -o -type f -print | sed 's|^\./||'
    fi | grep -E '(\.(cpp|h|cmake|sh)|(^|/)CMakeLists\.txt|^(run|test|package|\.ci/run))$' |
        grep -vE '^(tests/data|fuzz/corpus)/' || true
}

# The comment that carries the line, by the file's kind.
comment_for()
{
    case "$1" in
        *.cpp | *.h) echo "// $tag" ;;
        *) echo "# $tag" ;;
    esac
}

if [ ! -f "$root/LICENSE" ]; then
    echo "There is no LICENSE file at the top of the project." >&2
    exit 1
fi

missing=()
while IFS= read -r file; do
    [ -f "$root/$file" ] || continue
    # The line must come in the first three lines (after a #! line and a shellcheck line).
    head -n 3 "$root/$file" | grep -qF "$tag" || missing+=("$file")
done < <(sources)

if [ "$mode" = check ]; then
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "These source files lack the line '$tag':" >&2
        printf '  %s\n' "${missing[@]}" >&2
        echo "scripts/licence-headers.sh --add adds it." >&2
        exit 1
    fi
    exit 0
fi

for file in "${missing[@]}"; do
    path=$root/$file
    line=$(comment_for "$file")
    tmp=$(mktemp "$path.XXXXXX")
    # A #! line stays first, or the script would no longer run. An empty line parts the
    # licence from code that follows at once, though not from the file's opening comment.
    if head -n 1 "$path" | grep -q '^#!'; then
        { head -n 1 "$path"; echo "$line"; tail -n +2 "$path"; } >"$tmp"
    elif head -n 1 "$path" | grep -qE '^(//|#[^a-z])|^#$|^$'; then
        { echo "$line"; cat "$path"; } >"$tmp"
    else
        { echo "$line"; echo; cat "$path"; } >"$tmp"
    fi
    chmod --reference="$path" "$tmp"
    mv "$tmp" "$path"
    echo "added: $file"
done
