#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each one for a while from
# its seed corpus in fuzz/corpus/. A crash, a sanitizer finding or a broken round trip fails
# the run, and the input that did it is printed (base64 and hex) so it can be replayed:
#   base64 -d > crash.bin; build-fuzz/bin/fuzz_codec crash.bin
#
# Usage: fuzz/run.sh [SECONDS_PER_TARGET]   (default 60)
# Exits 0 with a note when clang is not installed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=${SKYREND_FUZZ_BUILD:-$here/build-fuzz}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "note: clang++ is not installed; the fuzz targets were not run"
    exit 0
fi

CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSKYREND_BUILD_FUZZERS=ON -DSKYREND_BUILD_GUI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzz_codec fuzz_json

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
# run_target NAME CORPUS DICT
run_target()
{
    local name=$1 seeds=$2 dict=$3
    local found=$work/$name-corpus artifacts=$work/$name-artifacts/
    mkdir -p "$found" "$artifacts"
    echo "== $name: ${seconds}s from $(find "$seeds" -type f | wc -l) seed files"
    # New inputs go to a scratch folder: the seed corpus in the tree stays small.
    if "$build/bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -dict="$dict" -artifact_prefix="$artifacts" \
        "$found" "$seeds" >"$work/$name.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done' "$work/$name.log" || true
        echo "ok: $name found nothing"
        return 0
    fi
    failed=1
    echo "FAIL: $name stopped on a finding; its log:"
    tail -n 60 "$work/$name.log"
    local input
    for input in "$artifacts"*; do
        [ -f "$input" ] || continue
        echo "--- input $(basename "$input") ($(wc -c <"$input") bytes), base64:"
        base64 "$input"
        echo "--- hex:"
        od -A x -t x1z -v "$input" | head -n 64
    done
}

run_target fuzz_codec "$here/fuzz/corpus/codec" "$here/fuzz/codec.dict"
run_target fuzz_json "$here/fuzz/corpus/json" "$here/fuzz/json.dict"
exit "$failed"
