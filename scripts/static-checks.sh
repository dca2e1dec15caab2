#!/bin/sh
# Formatting, clang-tidy and cppcheck over the project's own code; fails on
# any finding. Needs the cross build's compile database (build/mingw).
set -eu
cd "$(dirname "$0")/.."

build=${1:-build/mingw}
status=0

sources=$(git ls-files '*.cpp' '*.c' '*.h')
# The programs' own code, analysed with the compile flags of the cross build.
own_code=$(git ls-files 'launcher/*.cpp' 'remover/*.cpp' 'examples/*.c' 'tests/support/*.cpp' \
    'bench/*.cpp')

echo "== clang-format"
# shellcheck disable=SC2086
clang-format --dry-run --Werror $sources || status=1

echo "== clang-tidy"
# clang reads the cross build's compile commands as a MinGW target; it needs
# the cross compiler's own C++ library headers named to it.
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
tidy_args="--extra-arg=--target=i686-w64-mingw32"
for dir in $(echo | "$compiler" -E -x c++ - -v 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ '); do
    tidy_args="$tidy_args --extra-arg=-isystem$dir"
done
# shellcheck disable=SC2086
clang-tidy --quiet -p "$build" $tidy_args $own_code 2>/dev/null || status=1

echo "== cppcheck"
cppcheck --enable=warning,style,performance,portability --std=c++17 --platform=win32A \
    --error-exitcode=1 --inline-suppr --quiet -D_WIN32 -DWIN32 \
    --suppressions-list=.cppcheck-suppressions \
    --library=googletest launcher remover examples tests bench || status=1

[ $status -eq 0 ] && echo "static checks: no findings"
exit $status
