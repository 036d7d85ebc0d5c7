#!/usr/bin/env bash
# Runs one Windows program (a test, usually) under Wine, headless, and returns
# its exit status. CTest uses it as the cross-compiling emulator:
#
#     wine-run.sh --dll-path=DIR:DIR... [--monitor=LINUX_MONITOR] PROGRAM.exe [ARGS...]
#
# - The Wine prefix is $WINEPREFIX, which must exist: tools/wine-session.sh
#   makes a throwaway one around a whole test run.
# - DLLs are found through WINEPATH (the --dll-path folders: Qt's bin folder
#   and the compiler's run-time DLLs); Qt finds its plugins beside its DLLs.
# - Wine drops host variables that start with QT_, so the program gets
#   WINEQT_QPA_PLATFORM=offscreen (Wine hands it on as QT_QPA_PLATFORM) and no
#   DISPLAY, unless the caller set WINEQT_QPA_PLATFORM itself; its fonts are
#   Wine's own (/usr/share/wine/fonts, from fonts-wine: Tahoma among them).
# - Qt Test writes nothing to standard output under Wine: a program linked
#   against Qt6Test.dll, run without -o, writes its log to a file that is
#   printed here afterwards.
#
# Serial line: with LUMIDEX_WINE_SERIAL_LINE=1 in the environment (CTest sets
# it for the tests named in tests/CMakeLists.txt), a COM port of the prefix is
# linked to a pseudo-terminal that the Linux lumidex-monitor (--monitor=) reads
# with --pty, and the program gets:
#   LUMIDEX_WINE_COM          the port number N: open \\.\COMN
#   LUMIDEX_WINE_MONITOR_LOG  Windows path of the monitor's output, one decoded
#                             line per frame ("HH:mm:ss.zzz  <frame>"), written
#                             as frames arrive; the first line is
#                             "listening on /dev/pts/M"
#   LUMIDEX_WINE_CONTROL      Windows path of a folder: creating a file
#                             "unplug" in it stops the monitor, so the pseudo-
#                             terminal goes away as if the device were pulled;
#                             the file "unplugged" appears once it has
#                             (within about a second).
# The monitor is stopped and the link removed when the program ends.
set -uo pipefail

dll_path=""
monitor=""
while [ $# -gt 0 ]; do
    case "$1" in
        --dll-path=*) dll_path="${1#--dll-path=}"; shift ;;
        --monitor=*) monitor="${1#--monitor=}"; shift ;;
        *) break ;;
    esac
done
if [ $# -lt 1 ]; then
    echo "usage: $0 --dll-path=DIRS [--monitor=PATH] PROGRAM.exe [ARGS...]" >&2
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
monitor_pid=""
com_link=""
watcher_pid=""
cleanup() {
    [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
    [ -n "$monitor_pid" ] && kill "$monitor_pid" 2>/dev/null && wait "$monitor_pid" 2>/dev/null
    [ -n "$com_link" ] && rm -f "$com_link"
    rm -rf "$work"
}
trap cleanup EXIT

wine_dll_path=""
IFS=: read -r -a dll_dirs <<<"$dll_path"
for dir in "${dll_dirs[@]}"; do
    [ -n "$dir" ] && wine_dll_path="${wine_dll_path:+$wine_dll_path;}$(winpath "$dir")"
done

if [ "${LUMIDEX_WINE_SERIAL_LINE:-}" = 1 ]; then
    if [ ! -x "$monitor" ]; then
        echo "$0: a serial-line test needs the Linux lumidex-monitor (--monitor=)" >&2
        exit 2
    fi
    mkdir "$work/control"
    "$monitor" --pty >"$work/monitor.log" 2>"$work/monitor.err" &
    monitor_pid=$!
    pty=""
    for _ in $(seq 100); do
        pty=$(sed -n '1s/^listening on //p' "$work/monitor.log")
        [ -n "$pty" ] && break
        sleep 0.05
    done
    if [ -z "$pty" ]; then
        echo "$0: lumidex-monitor --pty did not start:" >&2
        cat "$work/monitor.err" >&2
        exit 2
    fi
    # Take the first free COM port from 3 up (COM1 and COM2 may be the
    # prefix's own); a link that exists already belongs to another test.
    for n in $(seq 3 64); do
        if ln -s "$pty" "$WINEPREFIX/dosdevices/com$n" 2>/dev/null; then
            com_link="$WINEPREFIX/dosdevices/com$n"
            export LUMIDEX_WINE_COM=$n
            break
        fi
    done
    if [ -z "$com_link" ]; then
        echo "$0: no free COM port in $WINEPREFIX" >&2
        exit 2
    fi
    export LUMIDEX_WINE_MONITOR_LOG LUMIDEX_WINE_CONTROL
    LUMIDEX_WINE_MONITOR_LOG=$(winpath "$work/monitor.log")
    LUMIDEX_WINE_CONTROL=$(winpath "$work/control")
    (
        while [ ! -e "$work/control/unplug" ]; do sleep 0.1; done
        kill "$monitor_pid" 2>/dev/null
        while kill -0 "$monitor_pid" 2>/dev/null; do sleep 0.05; done
        touch "$work/control/unplugged"
    ) &
    watcher_pid=$!
fi

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
    unset DISPLAY
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
