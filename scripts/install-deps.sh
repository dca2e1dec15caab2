#!/bin/sh
# Installs what the build, the tests and the demo need on Debian 12, as root.
# Does nothing when everything is already there, so every entry point can call it.
set -eu

need=""
have() { command -v "$1" >/dev/null 2>&1; }
pkg_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

have i686-w64-mingw32-g++ || need="$need g++-mingw-w64-i686"
have cmake || need="$need cmake"
have ninja || need="$need ninja-build"
have g++ || need="$need g++"
have git || need="$need git"
have wine || need="$need wine"
pkg_installed wine32:i386 || need="$need wine32:i386"
[ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
have clang++ || need="$need clang"
pkg_installed libclang-rt-14-dev || need="$need libclang-rt-14-dev"
have clang-tidy || need="$need clang-tidy"
have clang-format || need="$need clang-format"
have cppcheck || need="$need cppcheck"

[ -z "$need" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "install-deps: missing packages:$need (run as root to install them)" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
case " $need " in
*":i386 "*)
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    ;;
esac
apt-get update -q
# The i386 security index can lag behind amd64; pinning the release keeps apt consistent.
apt-get install -y -q --no-install-recommends -t bookworm $need
