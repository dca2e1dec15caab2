#!/bin/sh
# Runs every fuzzer for as long as you like, one after another, from the
# committed seed corpus:  scripts/fuzz.sh [SECONDS-EACH]   (default 600)
# New inputs go to build/native/fuzz-corpus/<fuzzer>; crashes, with the input
# that caused them, to build/native/fuzz-findings/.
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-600}
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native

build=$PWD/build/native
mkdir -p "$build/fuzz-findings"
for seeds in tests/fuzz/corpus/*/; do
    name=$(basename "$seeds")
    work=$build/fuzz-corpus/$name
    mkdir -p "$work"
    echo "== $name for $seconds s"
    "$build/tests/native/$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$name-" "$work" "$seeds"
done
