#!/usr/bin/env bash
# Runs one Windows program (a test, usually) under Wine, headless, and returns
# its exit status. CTest uses it as the cross-compiling emulator:
#
#     wine-run.sh --dll-path=DIR:DIR... PROGRAM.exe [ARGS...]
#
# - The Wine prefix is $WINEPREFIX, which must exist: tools/wine-session.sh
#   makes a throwaway one around a whole test run.
# - DLLs are found through WINEPATH (the --dll-path folders: Qt's bin folder
#   and the compiler's run-time DLLs); Qt finds its plugins beside its DLLs.
# - Wine drops host variables that start with QT_, so the program gets
#   WINEQT_QPA_PLATFORM=offscreen (Wine hands it on as QT_QPA_PLATFORM),
#   unless the caller set WINEQT_QPA_PLATFORM itself; its fonts are Wine's own
#   (/usr/share/wine/fonts, from fonts-wine: Tahoma among them). DISPLAY stays
#   the session's: should this program be the one that starts Wine's desktop
#   process again, the desktop gets that display, and the windows of later
#   programs find one.
# - Qt Test writes nothing to standard output under Wine: a program linked
#   against Qt6Test.dll, run without -o, writes its log to a file that is
#   printed here afterwards.
#
# A Linux program that runs a Windows one through this script (the command
# build-windows/wine-run, see tests/CMakeLists.txt) can give it a serial line:
# `ln -s /dev/pts/N "$WINEPREFIX/dosdevices/comM"` makes \\.\COMM the
# pseudo-terminal that a `lumidex-monitor --pty` it started listens on.
set -uo pipefail

dll_path=""
while [ $# -gt 0 ]; do
    case "$1" in
        --dll-path=*) dll_path="${1#--dll-path=}"; shift ;;
        *) break ;;
    esac
done
if [ $# -lt 1 ]; then
    echo "usage: $0 --dll-path=DIRS PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
program="$1"
shift

wine=${WINE:-/usr/lib/wine/wine64}
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/dosdevices" ]; then
    echo "$0: WINEPREFIX names no Wine prefix; run the tests through tools/wine-session.sh" >&2
    exit 2
fi

# A Unix path as Wine names it (drive Z: is the root).
winpath() {
    local path
    path=$(readlink -f "$1")
    printf 'Z:%s' "${path//\//\\}"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

wine_dll_path=""
IFS=: read -r -a dll_dirs <<<"$dll_path"
for dir in "${dll_dirs[@]}"; do
    [ -n "$dir" ] && wine_dll_path="${wine_dll_path:+$wine_dll_path;}$(winpath "$dir")"
done

args=("$@")
result=""
if x86_64-w64-mingw32-objdump -p "$program" 2>/dev/null | grep -i 'DLL Name: Qt6Test.dll' >/dev/null; then
    has_output=0
    for arg in "${args[@]}"; do
        [ "$arg" = -o ] && has_output=1
    done
    if [ "$has_output" = 0 ]; then
        result="$work/result.txt"
        args+=(-o "$(winpath "$work")\\result.txt,txt")
    fi
fi

if [ -z "${WINEQT_QPA_PLATFORM:-}" ]; then
    export WINEQT_QPA_PLATFORM=offscreen
fi
# The offscreen platform reads fonts from one folder; Wine's own holds Tahoma.
if [ -z "${WINEQT_QPA_FONTDIR:-}" ] && [ -d /usr/share/wine/fonts ]; then
    export WINEQT_QPA_FONTDIR='Z:\usr\share\wine\fonts'
fi
WINEDEBUG="${WINEDEBUG:--all}" WINEPATH="$wine_dll_path" "$wine" "$program" "${args[@]}"
status=$?
if [ -n "$result" ]; then
    if [ -f "$result" ]; then
        cat "$result"
    else
        echo "$0: the test wrote no result (exit status $status)"
        [ "$status" = 0 ] && status=1
    fi
fi
exit "$status"
