#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package with ./package, unpacks it with dpkg-deb -x into a temporary root
# and checks what a desktop user gets:
#  1. the package's fields: name, maintainer, description, dependencies worked out from the
#     binaries, and no file outside the places the program installs to; lintian finds no error
#     or warning, the binaries hardened and stripped; the copyright file and the changelog;
#  2. the desktop entry, the file type, the icons and the AppStream file: valid, and naming one
#     another;
#  3. both man pages render without warnings and cover what --help lists;
#  4. the unpacked skyrend-f1 answers --version and reads standard input;
#  5. the unpacked editor, on a virtual X server with HOME and XDG_CONFIG_HOME in the temporary
#     root, opens a file given as its argument and lists it in config.ini in the configuration
#     folder, with no config.ini beside the program.
#
# Usage: check_package.sh SOURCE_DIR PACKAGE_BUILD_DIR
# Exits 77 (skipped) on a system without dpkg; ./test installs the other tools.
set -euo pipefail

source_dir=${1:?usage: $0 SOURCE_DIR PACKAGE_BUILD_DIR}
build_dir=${2:?usage: $0 SOURCE_DIR PACKAGE_BUILD_DIR}

# shellcheck source=scripts/x11.sh
source "$source_dir/scripts/x11.sh"

if ! command -v dpkg-deb >/dev/null 2>&1; then
    echo "SKIP: not a Debian system (no dpkg-deb)"
    exit 77
fi

unset DISPLAY
wait_limit=${SKYREND_E2E_WAIT:-60}
work=$(mktemp -d)
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
    exit 1
}

# --- Build and unpack.
started=$SECONDS
deb=$(SKYREND_PACKAGE_BUILD_DIR=$build_dir "$source_dir/package" 2>"$work/package.log") || {
    tail -n 40 "$work/package.log" >&2
    fail "./package failed"
}
[ -f "$deb" ] || fail "./package printed '$deb', which is no file"
echo "ok: ./package built $(basename "$deb") in $((SECONDS - started)) s"
root=$work/root
dpkg-deb -x "$deb" "$root"

# --- 1. The package's fields and contents.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = skyrend-f1-editor ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$("$root/usr/bin/skyrend-f1" --version | cut -d' ' -f2)" ] ||
    fail "package version $(field Version) is not the program's"
field Maintainer | grep -Eq '^[^<>]+ <[^@<>]+@[^@<>]+>$' ||
    fail "maintainer '$(field Maintainer)' is not 'Name <address>'"
[ "$(field Section)" = editors ] || fail "section is '$(field Section)'"
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] ||
    fail "the description is no summary with a long text: $description"
! grep -q '.\{80\}' <<<"$description" || fail "description lines of 80 or more characters"
depends=$(field Depends)
depended=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
    grep -qxF "$library" <<<"$depended" ||
        fail "Depends lacks $library (dpkg-shlibdeps did not run?): $depends"
done
echo "ok: fields, with Depends: $depends"

expected_files="./usr/bin/skyrend-f1
./usr/bin/skyrend-f1-editor
./usr/share/applications/skyrend-f1-editor.desktop
./usr/share/doc/skyrend-f1-editor/changelog.gz
./usr/share/doc/skyrend-f1-editor/copyright
./usr/share/icons/hicolor/256x256/apps/skyrend-f1-editor.png
./usr/share/icons/hicolor/48x48/apps/skyrend-f1-editor.png
./usr/share/icons/hicolor/scalable/apps/skyrend-f1-editor.svg
./usr/share/man/man1/skyrend-f1-editor.1.gz
./usr/share/man/man1/skyrend-f1.1.gz
./usr/share/metainfo/example.skyrend.f1editor.metainfo.xml
./usr/share/mime/packages/skyrend-f1-editor.xml"
files=$(cd "$root" && find . -type f | LC_ALL=C sort)
[ "$files" = "$(LC_ALL=C sort <<<"$expected_files")" ] ||
    fail "the package holds other files than expected:
$(diff <(LC_ALL=C sort <<<"$expected_files") <(echo "$files") || true)"
for program in skyrend-f1 skyrend-f1-editor; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
echo "ok: the package holds the programs, desktop entry, file type, icons and man pages"

# lintian, as Debian's archive would run it: no error and no warning. The hardening tags are
# only informational, so they are looked for by name.
lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
! grep -E 'hardening-|unstripped' "$work/lintian.log" ||
    fail "lintian finds the binaries unhardened or unstripped: $(cat "$work/lintian.log")"
echo "ok: lintian warns of nothing ($(grep -c '^I:' "$work/lintian.log" || true) infos)"
doc=$root/usr/share/doc/skyrend-f1-editor
zcat "$doc/changelog.gz" | head -n 1 | grep -qF "skyrend-f1-editor ($(field Version))" ||
    fail "the changelog's newest entry is not version $(field Version)"
grep -qx 'License: MIT' "$doc/copyright" || fail "the copyright file names no MIT licence"

# --- 2. Desktop entry, file type, icons, AppStream.
desktop=$root/usr/share/applications/skyrend-f1-editor.desktop
mime=$root/usr/share/mime/packages/skyrend-f1-editor.xml
desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 || true
[ ! -s "$work/validate.log" ] || fail "desktop-file-validate: $(cat "$work/validate.log")"
xmllint --noout "$mime" || fail "the file type is no well-formed XML"
entry() { sed -n "s/^$1=//p" "$desktop"; }
mime_type=$(xmllint --xpath 'string(//*[local-name()="mime-type"]/@type)' "$mime")
[ -n "$mime_type" ] || fail "no mime-type in $mime"
[ "$(entry MimeType)" = "$mime_type;" ] ||
    fail "the desktop entry opens '$(entry MimeType)', the file type is $mime_type"
exec_word=$(entry Exec | cut -d' ' -f1)
[ -x "$root/usr/bin/$exec_word" ] || fail "Exec names $exec_word, which is not in usr/bin"
entry Exec | grep -Eq ' %[fFuU]$' || fail "Exec takes no file: $(entry Exec)"
icon=$(entry Icon)
for path in scalable/apps/$icon.svg 48x48/apps/$icon.png 256x256/apps/$icon.png; do
    [ -f "$root/usr/share/icons/hicolor/$path" ] || fail "no icon $path for Icon=$icon"
done
xmllint --noout "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ||
    fail "the SVG icon is no well-formed XML"
for size in 48 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    # The PNG signature, then the IHDR chunk with width and height as 32-bit big-endian numbers.
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$png is no PNG"
    [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] ||
        fail "$png is $((16#${header:32:8})) x $((16#${header:40:8})), not $size x $size"
done
# The shared database made from the package alone: *.hlp and Commands.hlp are of this type.
cp -r "$root/usr/share/mime" "$work/mime"
XDG_DATA_HOME=$work XDG_DATA_DIRS=$work update-mime-database "$work/mime" >"$work/mime.log" 2>&1 ||
    fail "update-mime-database: $(cat "$work/mime.log")"
[ ! -s "$work/mime.log" ] || fail "update-mime-database: $(cat "$work/mime.log")"
grep -qx "[0-9]*:$mime_type:\*\.hlp" "$work/mime/globs2" || fail "no *.hlp glob for $mime_type"
# Globs without a case-sensitive mark match any case and are kept in lower case.
grep -qx "[0-9]*:$mime_type:commands\.hlp" "$work/mime/globs2" ||
    fail "no Commands.hlp glob for $mime_type"
metainfo=$root/usr/share/metainfo/example.skyrend.f1editor.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
meta() { xmllint --xpath "string(/component/$1)" "$metainfo"; }
[ "$(meta "id")" = "$(basename "$metainfo" .metainfo.xml)" ] ||
    fail "the AppStream id '$(meta id)' is not its file's name"
[ "$(meta "launchable[@type='desktop-id']")" = "$(basename "$desktop")" ] ||
    fail "the AppStream file launches '$(meta launchable)', not $(basename "$desktop")"
[ "$(meta "provides/mediatype")" = "$mime_type" ] ||
    fail "the AppStream file provides '$(meta provides/mediatype)', not $mime_type"
[ -n "$(meta "screenshots/screenshot/image")" ] || fail "the AppStream file shows no screenshot"
[ -n "$(meta "content_rating/@type")" ] || fail "the AppStream file has no content rating"
[ "$(meta "releases/release[1]/@version")" = "$(field Version)" ] ||
    fail "the AppStream file's newest release is not $(field Version)"
echo "ok: desktop entry, file type $mime_type, icons and AppStream file are valid and agree"

# --- 3. Man pages.
for page in skyrend-f1 skyrend-f1-editor; do
    file=$root/usr/share/man/man1/$page.1.gz
    MANWIDTH=80 man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.err" ||
        fail "man -l $page failed: $(cat "$work/$page.err")"
    [ ! -s "$work/$page.err" ] || fail "man warns about $page: $(cat "$work/$page.err")"
    grep -q "^NAME" "$work/$page.txt" || fail "$page renders without a NAME section"
    # Every option and command that --help lists is in the page.
    "$root/usr/bin/$page" --help >"$work/$page.help" || fail "$page --help failed"
    words=$(grep -oE '(^|[][:space:],[])--?[a-z][a-z-]*' "$work/$page.help" | tr -d ' ,[' | sort -u)
    if [ "$page" = skyrend-f1 ]; then
        words+=$'\n'$(sed -n 's/^  \([a-z]\+\) [A-Z].*/\1/p' "$work/$page.help")
    fi
    for word in $words; do
        grep -qwe "$word" "$work/$page.txt" || fail "the man page $page does not mention $word"
    done
done
grep -qF 'skyrend-f1 encode -' "$work/skyrend-f1.txt" ||
    fail "the skyrend-f1 man page shows no pipeline into 'encode -'"
echo "ok: both man pages render without warnings and cover --help"

# --- 4. The command-line tool.
version=$("$root/usr/bin/skyrend-f1" --version) || fail "skyrend-f1 --version failed"
grep -qx 'skyrend-f1 [0-9]\+\.[0-9]\+' <<<"$version" || fail "skyrend-f1 --version said '$version'"
help_file=$source_dir/examples/Commands.hlp
"$root/usr/bin/skyrend-f1" decode "$help_file" | "$root/usr/bin/skyrend-f1" encode - \
    >"$work/piped.hlp" || fail "decode | encode - failed"
"$root/usr/bin/skyrend-f1" normalize "$help_file" -o "$work/normalized.hlp"
cmp -s "$work/piped.hlp" "$work/normalized.hlp" || fail "decode | encode - is not normalize"
echo "ok: $version; decode | encode - gives what normalize gives"

# --- 5. The editor, as installed, keeps config.ini in the user's configuration folder.
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed (./test installs it)"
done
skyrend_start_xvfb "$work" "$wait_limit" || fail "see above"
xvfb_pid=$skyrend_xvfb_pid
export QT_QPA_PLATFORM=xcb
export HOME=$work/root/home/user XDG_CONFIG_HOME=$work/root/home/user/config-home
export XDG_RUNTIME_DIR=$work/runtime
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY
mkdir -p "$HOME" "$work/documents" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
document=$work/documents/Commands.hlp
cp "$help_file" "$document"

listing() { find "$root/usr" -printf '%P %s %T@\n' | LC_ALL=C sort; }
listing >"$work/usr-before"
(cd "$work/documents" && exec "$root/usr/bin/skyrend-f1-editor" "$document") \
    >"$work/editor.log" 2>&1 &
app_pid=$!
skyrend_wait_window '^Skyrend F1 Editor v\.[0-9.]+ \[Commands\.hlp\]$' "$wait_limit" "$app_pid" \
    >/dev/null || fail "the editor showed no window with the file open"

settings="$XDG_CONFIG_HOME/Skyrend F1 Editor/config.ini"
deadline=$((SECONDS + wait_limit))
until grep -qxF "0=$document" "$settings" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] ||
        fail "no config.ini listing $document in $XDG_CONFIG_HOME: $(find "$HOME" -print)"
    sleep 0.2
done
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=
[ ! -e "$root/usr/bin/config.ini" ] || fail "config.ini was written beside the program"
listing | diff "$work/usr-before" - >"$work/usr-changes" ||
    fail "the editor changed the program's tree: $(cat "$work/usr-changes")"
others=$(find "$HOME" -name config.ini ! -path "$settings")
[ -z "$others" ] || fail "other config.ini files: $others"
echo "ok: the installed editor keeps config.ini in $XDG_CONFIG_HOME/Skyrend F1 Editor"
