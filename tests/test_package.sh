#!/bin/sh
# Builds the Debian package, checks its desktop files with Debian's
# validators, unpacks it into a temporary root and starts the unpacked program
# as an unprivileged user: it must start, and end cleanly on SIGTERM.
# Usage: test_package.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || fail "$tool is missing (make test installs it)"
done

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
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
for file in usr/bin/lumidex-app usr/bin/lumidex-monitor \
            usr/share/icons/hicolor/scalable/apps/org.lumidex.LumidexApp.svg; do
    [ -f "$root/$file" ] || fail "package lacks /$file"
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
$as_user env -i HOME="$work/home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/lumidex-app" >"$work/app.log" 2>&1 &
pid=$!

# Started means it got as far as handling SIGTERM itself (bit 15 of the caught
# signals), which it sets up right before showing the window.
started=""
for _ in $(seq 100); do
    caught=$(sed -n 's/^SigCgt:\s*//p' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$caught" ] || break
    if [ $(( 0x$caught >> 14 & 1 )) = 1 ]; then started=yes; break; fi
    sleep 0.1
done
[ -n "$started" ] || { cat "$work/app.log"; fail "the unpacked program did not start"; }

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || { cat "$work/app.log"; fail "program ended with status $status on SIGTERM"; }

# The install rules honour DESTDIR and the prefix.
DESTDIR="$work/dest" cmake --install "$build" --prefix /opt/lumidex >/dev/null
[ -x "$work/dest/opt/lumidex/bin/lumidex-app" ] || fail "cmake --install ignored DESTDIR or the prefix"

echo "package: $(basename "$deb") built, validated, unpacked, started and stopped"
