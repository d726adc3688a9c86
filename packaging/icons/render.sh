#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the PNG icons from skyrend-f1-editor.svg; run it after changing the SVG and commit the
# results.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/packages.sh
source "$here/../../scripts/packages.sh"
skyrend_install_missing "${SKYREND_ICON_PACKAGES[@]}"
cd "$here"
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" skyrend-f1-editor.svg -o "skyrend-f1-editor-$size.png"
done
