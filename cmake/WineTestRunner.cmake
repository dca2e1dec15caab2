# On a Linux host the cross-built programs and tests run under Wine, in a
# prefix that belongs to this build folder alone.
set(TARVOLIN_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/cmake/wine-run.sh;${TARVOLIN_WINEPREFIX}")
