#!/bin/sh
# Live demonstration under Wine: builds everything, starts Tarvolin, hands it
# one request through each channel, shows what each started, then removes it
# with Kestrune. Run as root on Debian 12; installs what it needs.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw

build=$PWD/build/mingw
run() { cmake/wine-run.sh "$build/wineprefix" "$@"; }
windows_path() { run winepath -w "$(realpath "$1")" | tr -d '\r'; }

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo"
: >"$demo/probe.log"
probe=$(windows_path "$build/tests/support/probe.exe")
# The launcher hands its own environment to what it starts: the probe finds
# its log through it.
TARVOLIN_PROBE_LOG=$(windows_path "$demo/probe.log")
export TARVOLIN_PROBE_LOG

echo "== Starting Tarvolin (a hidden window and a shared-memory channel)"
run "$build/launcher/Tarvolin.exe" &
launcher=$!
run "$build/examples/send_request.exe" wait 20

printf '%s\n' "== Shared-memory channel: request text exec://\"$probe\" via-shared-memory"
run "$build/examples/send_request.exe" region "exec://\"$probe\" via-shared-memory"
printf '%s\n' "== Window-text channel: WM_USER, action 1 (program start), text \"$probe\" via-window-text"
run "$build/examples/send_request.exe" window 1 "\"$probe\" via-window-text"

tries=0
while [ "$(wc -l <"$demo/probe.log")" -lt 2 ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done

echo "== What the launcher started (show state 5 = SW_SHOW, 1 = SW_SHOWNORMAL):"
tr -d '\r' <"$demo/probe.log" | awk -F '\t' '{ printf "   show state %s, command line: %s\n", $3, $4 }'

echo "== Removing Tarvolin with Kestrune.exe /s"
run "$build/remover/Kestrune.exe" /s
status=0
wait "$launcher" || status=$?
echo "   Tarvolin ended with exit code $status"
[ "$(wc -l <"$demo/probe.log")" -eq 2 ] && [ "$status" -eq 0 ]
