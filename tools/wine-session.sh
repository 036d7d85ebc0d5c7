#!/usr/bin/env bash
# Runs a command with a throwaway Wine prefix: makes one in a temporary folder,
# exports WINEPREFIX, runs the command, then stops that prefix's wineserver and
# deletes the folder. Exits with the command's status.
#
#     tools/wine-session.sh ctest --test-dir build-windows
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/wineprefix.XXXXXX")
# Without .NET and HTML support (which no program here needs) the prefix is
# made in seconds.
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
xvfb_pid=""
cleanup() {
    "$wineserver" -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    "$wineserver" -w 2>/dev/null
    rm -rf "$WINEPREFIX" "$WINEPREFIX.boot.log"
}
trap cleanup EXIT

# As root, Wine's server (which opens every device) would pass a lock that
# another program holds on a serial device; the session's server runs without
# that power, as it would for any user, and stays up until the session ends.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
    setpriv --bounding-set -sys_admin --inh-caps -sys_admin "$wineserver" -p >/dev/null 2>&1
fi

# Wine's desktop process takes its display from the program that starts it,
# and a window opened while a desktop without one lives finds no display
# driver. So the session has a display from the start: an Xvfb of its own
# when there is none.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    # From display 120 up (tests that make X servers of their own take low
    # numbers), the first one whose server comes up: another run may take a
    # number between the check and the start, and that server then ends at once.
    number=120
    while [ -z "$xvfb_pid" ] && [ "$number" -lt 170 ]; do
        if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
            Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            xvfb_pid=$!
            for _ in $(seq 100); do
                [ -e "/tmp/.X11-unix/X$number" ] && break
                kill -0 "$xvfb_pid" 2>/dev/null || break
                sleep 0.05
            done
            kill -0 "$xvfb_pid" 2>/dev/null || xvfb_pid=""
        fi
        [ -n "$xvfb_pid" ] || number=$((number + 1))
    done
    export DISPLAY=":$number"
fi

if ! "$wine" wineboot -i >"$WINEPREFIX.boot.log" 2>&1; then
    echo "$0: could not create a Wine prefix:" >&2
    cat "$WINEPREFIX.boot.log" >&2
    rm -f "$WINEPREFIX.boot.log"
    exit 1
fi
rm -f "$WINEPREFIX.boot.log"
# Every Windows PC has Tahoma, the window's font; Debian's Wine does not list
# the one fonts-wine ships until it is in the prefix's font folder (otherwise
# the window falls back to a serif font).
if ls /usr/share/wine/fonts/tahoma*.ttf >/dev/null 2>&1; then
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
"$@"
