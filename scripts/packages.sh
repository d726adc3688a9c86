# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2034  # sourced: the lists are used by the scripts that source it
# The Debian packages the project needs, and a helper that installs the missing ones.
# Sourced by ./run, ./test and scripts/screenshot.sh, so the list lives in one place.

# Building, running and testing: compiler and build tools, Qt 6 (Widgets, and Qt Test, which
# comes with qt6-base-dev), the OpenGL headers Qt's CMake files look for, a font, and the X
# server and tools the window runs under when there is no display (the end-to-end test too),
# and clang-format, which a test runs over the sources. xwd (x11-apps) lets the end-to-end test
# look at the colours on screen; xclip puts text on its clipboard as another program would.
SKYREND_PACKAGES=(
    clang-format
    cmake
    ninja-build
    g++
    qt6-base-dev
    libgl-dev
    fonts-dejavu-core
    xvfb
    xauth
    xdotool
    xclip
    x11-apps
)

# Building the Debian package (./package, and the test that checks it, which ./test runs):
# dpkg-shlibdeps works out its dependencies and dpkg-buildflags the hardened compiler flags; the
# test validates the desktop entry, the file type, the AppStream file (appstreamcli) and the man
# pages, reads the package's fields and runs lintian over it. ccache lets a second package
# build reuse the objects of the first.
SKYREND_PACKAGING_PACKAGES=(
    dpkg-dev
    lintian
    appstream
    desktop-file-utils
    libxml2-utils
    shared-mime-info
    man-db
    groff-base
    ccache
)

# Drawing the PNG icons from the SVG one (packaging/icons/render.sh).
SKYREND_ICON_PACKAGES=(
    librsvg2-bin
)

# Taking the README's screenshot: xwd grabs the window, ImageMagick turns it into a PNG.
SKYREND_SCREENSHOT_PACKAGES=(
    x11-apps
    imagemagick
)

# Fuzzing in CI (fuzz/run.sh): clang and its libFuzzer and sanitizer runtimes.
SKYREND_FUZZ_PACKAGES=(
    clang
    libclang-rt-14-dev
)

# skyrend_install_missing PACKAGE...
# Installs those of the packages that are not installed yet. apt-get update runs only when
# something is missing. Needs root or sudo for that; says so and fails when neither works.
skyrend_install_missing()
{
    if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
        echo "note: not a Debian system; make sure these are installed: $*" >&2
        return 0
    fi

    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi

    local as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "error: these packages are missing: ${missing[*]}" >&2
            echo "       this user is not root and sudo is not available; as root, run:" >&2
            echo "       apt-get update && apt-get install -y ${missing[*]}" >&2
            return 1
        fi
        as_root=(sudo)
    fi

    echo "Installing missing packages: ${missing[*]}"
    if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q ||
        ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        echo "error: could not install: ${missing[*]}" >&2
        echo "       as root, run: apt-get update && apt-get install -y ${missing[*]}" >&2
        return 1
    fi
}

# skyrend_build BUILD_DIR [TARGET...]
# Configures (once) and builds a Release build with Ninja: the targets named, or everything.
skyrend_build()
{
    local source_dir build_dir=$1 targets=()
    shift
    if [ "$#" -gt 0 ]; then
        targets=(--target "$@")
    fi
    source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
        cmake --build "$build_dir" "${targets[@]}"
}
