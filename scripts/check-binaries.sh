#!/bin/sh
# Checks the shipped executables of a cross build: PE32 for i386, GUI
# subsystem 4.0, ASLR and DEP on, no link timestamp, only system DLLs
# imported, at most 48 KiB; and that a second clean build in another folder
# gives the same bytes.
#   scripts/check-binaries.sh [BUILD-FOLDER]     (default build/mingw)
set -eu
cd "$(dirname "$0")/.."

build=${1:-build/mingw}
objdump=i686-w64-mingw32-objdump
status=0
fail() { echo "check-binaries: $*"; status=1; }

# Both programs may import these and nothing else.
system_dlls="ADVAPI32.dll KERNEL32.dll msvcrt.dll SHELL32.dll USER32.dll"

check_headers() {
    exe=$1
    headers=$($objdump -p "$exe")
    echo "$headers" | grep -q 'file format pei-i386' || fail "$exe: not a PE for i386"
    echo "$headers" | grep -q 'Magic.*010b' || fail "$exe: not PE32"
    echo "$headers" | grep -q 'Subsystem.*(Windows GUI)' || fail "$exe: not the GUI subsystem"
    echo "$headers" | grep -q 'MajorSubsystemVersion[[:space:]]*4$' || fail "$exe: subsystem major not 4"
    echo "$headers" | grep -q 'MinorSubsystemVersion[[:space:]]*0$' || fail "$exe: subsystem minor not 0"
    echo "$headers" | grep -q 'Time/Date.*1970' || fail "$exe: carries a link timestamp"
    flags=$(echo "$headers" | sed -n 's/^DllCharacteristics[[:space:]]*//p')
    [ $((0x$flags & 0x140)) -eq $((0x140)) ] || fail "$exe: dynamic base or NX compatibility off"
    for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        case " $system_dlls " in
        *" $dll "*) ;;
        *) fail "$exe: imports $dll" ;;
        esac
    done
    size=$(wc -c <"$exe")
    [ "$size" -le 49152 ] || fail "$exe: $size bytes, more than 48 KiB"
    echo "$exe: $size bytes, PE32 i386 GUI 4.0, imports: $(echo "$headers" |
        sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
}

programs="launcher/Tarvolin.exe remover/Kestrune.exe"
for program in $programs; do
    check_headers "$build/$program"
done

# A second clean build, in a folder of another name and depth.
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
cmake -S . -B "$again/elsewhere" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF >/dev/null
cmake --build "$again/elsewhere" --target Tarvolin Kestrune >/dev/null
for program in $programs; do
    cmp -s "$build/$program" "$again/elsewhere/$program" ||
        fail "$program: a second clean build differs"
done

[ $status -eq 0 ] && echo "check-binaries: both programs as required, byte-identical when rebuilt"
exit $status
