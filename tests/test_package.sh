#!/bin/sh
# Builds the Debian package, checks its desktop files with Debian's
# validators and its manual pages with groff, unpacks it into a temporary root
# and runs the unpacked program twice as an unprivileged user: the port and
# baud rate chosen in the first run are there in the second, and SIGTERM ends
# each run cleanly. The unpacked lumidex-send then finds that port in the same
# per-user copy, and leaves it as it was.
# Usage: test_package.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli groff Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is missing (make test installs it)"
done

work=$(mktemp -d)
pid=""
xvfb=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The package, built from this build folder into a folder of its own.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in *libqt6widgets6*) ;; *) fail "Depends lacks Qt: $depends" ;; esac
[ "$(dpkg-deb -f "$deb" Recommends)" = fonts-wine ] || fail "fonts-wine is not recommended"

root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/lumidex-app usr/bin/lumidex-monitor usr/bin/lumidex-module \
            usr/bin/lumidex-send usr/share/icons/hicolor/scalable/apps/org.lumidex.LumidexApp.svg; do
    [ -f "$root/$file" ] || fail "package lacks /$file"
done
# Every program has its manual page, which groff formats without a warning.
for program in "$root"/usr/bin/*; do
    page="$root/usr/share/man/man1/$(basename "$program").1.gz"
    [ -f "$page" ] || fail "package lacks a manual page for $(basename "$program")"
    warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "manual page $(basename "$page"): $warnings"
done
desktop-file-validate "$root/usr/share/applications/org.lumidex.LumidexApp.desktop" ||
    fail "desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.lumidex.LumidexApp.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "metainfo does not validate"; }

# An unprivileged user with a home of its own; the program folder stays
# root's and read-only to that user, as after installation.
mkdir -p "$work/home"
chmod 755 "$work"
as_user=""
if [ "$(id -u)" = 0 ]; then
    chown 65534:65534 "$work/home"
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi
# Two runs on a virtual X server: the first picks COM5 and 19200 with the
# keyboard and is stopped with SIGTERM; the second must reopen on them, which
# shows when it is stopped unchanged and writes them back. The program folder
# is read-only to this user, so both values live in the per-user copy.
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -ac -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=":$(cat "$work/display")"

# Starts the unpacked program; once its window is up, types `keys` into it,
# then sends SIGTERM and expects a clean end.
run_on_display() {
    $as_user env -i HOME="$work/home" PATH=/usr/bin:/bin DISPLAY="$display" \
        "$root/usr/bin/lumidex-app" >>"$work/app.log" 2>&1 &
    pid=$!
    window=$(DISPLAY="$display" timeout 30 xdotool search --sync --onlyvisible --pid "$pid" |
             head -n 1)
    [ -n "$window" ] || { cat "$work/app.log"; fail "the unpacked program showed no window"; }
    if [ -n "$1" ]; then
        DISPLAY="$display" xdotool windowfocus --sync "$window" key --delay 20 $1
    fi
    sleep 1
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" = 0 ] || { cat "$work/app.log"; fail "program ended with status $status on SIGTERM"; }
}
# The port list has the focus first; Tab moves on to the baud list.
run_on_display "Home Down Down Down Down Tab Home Down"
run_on_display ""
settings=$(find "$work/home" -name lumidex2.ini)
[ -n "$settings" ] || fail "no per-user settings file in the user's home"
grep -q '^CommPort=5' "$settings" && grep -q '^Setting=19200,n,8,1' "$settings" ||
    { cat "$settings"; fail "the second run did not reopen on COM5 at 19200"; }
[ ! -e "$root/usr/bin/lumidex2.ini" ] || fail "a settings file appeared in the program folder"

# lumidex-send reads the window's port from the per-user copy, with a pin
# that sends it nowhere, and writes nothing.
printf '[Ports]\nCOM5=/nonexistent/lumidex-test-device\n' >>"$settings"
before=$(cksum <"$settings")
status=0
$as_user env -i HOME="$work/home" PATH=/usr/bin:/bin "$root/usr/bin/lumidex-send" bright \
    >"$work/send.out" 2>"$work/send.err" || status=$?
[ "$status" = 1 ] && grep -q 'port COM5 (/nonexistent/lumidex-test-device) could not be opened' \
    "$work/send.err" || { cat "$work/send.err"; fail "lumidex-send did not use the stored port (status $status)"; }
[ "$(cksum <"$settings")" = "$before" ] || fail "lumidex-send changed the settings file"

# The install rules honour DESTDIR and the prefix.
DESTDIR="$work/dest" cmake --install "$build" --prefix /opt/lumidex >/dev/null
[ -x "$work/dest/opt/lumidex/bin/lumidex-app" ] || fail "cmake --install ignored DESTDIR or the prefix"

echo "package: $(basename "$deb") built, validated, unpacked, run twice, settings kept and read by lumidex-send"
