#!/bin/sh
# Cross-builds the Windows test programs into OUTDIR with MinGW-w64, linked
# statically so they run under Wine without any DLL beside them.
#   tests/win32/build.sh OUTDIR
set -eu
out=${1:?usage: build.sh OUTDIR}
top=$(cd "$(dirname "$0")/../.." && pwd)
cxx=${CXX_WIN:-x86_64-w64-mingw32-g++-posix}
if command -v ccache >/dev/null 2>&1; then cxx="ccache $cxx"; fi
mkdir -p "$out"
build() {
    name=$1; shift
    (cd "$top" && $cxx -std=c++17 -O1 -Wall -Wextra -Wpedantic -I. -static "$@" -o "$out/$name.exe")
}
build portdriver tests/win32/portdriver.cpp link/win32serialport_win.cpp link/win32text_win.cpp \
    link/linesettings.cpp protocol/txframe.cpp &
driver=$!
build test_ansi tests/win32/test_ansi.cpp protocol/ansi_win.cpp protocol/ansi_common.cpp
wait $driver
build test_comports tests/win32/test_comports.cpp link/comports_win.cpp link/win32text_win.cpp
