#!/bin/sh
# Runs a Windows program under Wine in the build's own headless prefix:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is made on first use (null graphics driver, so hidden windows,
# message boxes and the window list all work without an X display).
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/.prefix-ready-2" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/.prefix-ready-2" ]; then
            wineboot -i >/dev/null 2>&1 || true
            wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
            # A crashing program ends at once instead of waiting in Wine's
            # debugger: with no debugger value Wine starts its own, so name
            # one that does not exist.
            wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                /v Debugger /d no-debugger.exe /f >/dev/null 2>&1
            wineserver -k >/dev/null 2>&1 || true
            wineserver -w >/dev/null 2>&1 || true
            touch "$prefix/.prefix-ready-2"
        fi
    ) 9>"$prefix.lock"
fi
# Keep one wineserver alive across the many short runs of a test session
# instead of starting a new one for each; it ends by itself once idle. Wine's
# background services start with the first program and keep its output
# open: start them from a program of our own, detached from the caller's
# pipes, so that a test runner waiting for the end of a test's output does
# not wait for them.
wineserver -p30 </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
exec wine "$@"
