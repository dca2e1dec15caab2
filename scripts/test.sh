#!/bin/sh
# Builds everything and runs every test: the cross build's unit, end-to-end
# and stress tests under Wine with the checks of the shipped executables, the
# pure logic natively under sanitizers with brief fuzzing, and the static
# checks. Run as root on Debian 12; installs what it needs.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset mingw
cmake --build --preset mingw
ctest --preset mingw
scripts/check-binaries.sh build/mingw

# The pure logic natively, under the address and undefined-behaviour
# sanitizers, with each fuzzer run briefly from its seed corpus.
cmake --preset native
cmake --build --preset native
ctest --preset native

scripts/static-checks.sh build/mingw
