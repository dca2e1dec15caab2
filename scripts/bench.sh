#!/bin/sh
# Benchmark under Wine: builds everything as the demo does, then measures the
# launcher's two request channels against a client's own process start, the
# shared-memory channel's throughput, the launcher's idle processor time, the
# remover's run with and without a launcher, and the two executables' sizes.
# Prints a table of medians and spreads with the targets beside them; a missed
# target is reported, never a failure. Takes about a minute.
#
#   scripts/bench.sh [BUILD-FOLDER [LAUNCH-ROUNDS]]
#
# Without a build folder it uses the mingw preset's (build/mingw). A folder
# given is configured and built in place with the same toolchain and settings,
# and its own Wine prefix is used, so a run never meets another build's
# launcher.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ $# -ge 1 ]; then
    build=$(realpath -m "$1")
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$build"
else
    build=$PWD/build/mingw
    cmake --preset mingw >/dev/null
    cmake --build --preset mingw
fi
rounds=${2:-}

run() { cmake/wine-run.sh "$build/wineprefix" "$@"; }
windows_path() { run winepath -w "$1" | tr -d '\r'; }

# The remover may not be built yet; the benchmark then reports its rows as n/a.
launcher=$(windows_path "$build/launcher/Tarvolin.exe")
remover=$(windows_path "$build/remover/Kestrune.exe")
probe=$(windows_path "$build/tests/support/probe.exe")

# Launch times follow the machine's load closely: show it beside the figures.
load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "== Benchmark (Wine $(wine --version | sed 's/^wine-//'), $(nproc) processors, load average $(load))"
# The table comes on standard output at the end, progress on standard error.
output=$build/bench-output.txt
status=0
# shellcheck disable=SC2086  # rounds is empty or one number
# All of Wine on one processor: on an otherwise idle virtual machine, waking a
# sleeping second processor for each hand-over between processes costs more
# than the launch itself and splits the launch times into two clusters.
pin=""
command -v taskset >/dev/null 2>&1 && pin="taskset -c 0"
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
$pin cmake/wine-run.sh "$build/wineprefix" "$build/bench/bench.exe" "$launcher" "$remover" "$probe" \
    $rounds >"$output" || status=$?
tr -d '\r' <"$output"
echo "== Load average after the run: $(load)"
exit $status
