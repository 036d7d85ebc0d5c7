#!/usr/bin/env bash
# The Windows installer under Wine, run by an unprivileged user in a Wine
# prefix of its own. msiexec installs the MSI that make windows-installer
# builds: the files, the Start-menu shortcut and the uninstall entry with its
# icon are there. The installed program opens its window and, its folder not
# writable, keeps a changed port and baud rate in the per-user copy, which the
# next start reads. A version one higher (with one more file) replaces it,
# leaving one entry; the older version is then refused. Removing the program
# takes its folder and shortcut and leaves the settings.
#
# Runs under make test-windows (LUMIDEX_WINDOWS_BUILD set); skips elsewhere.
# Usage: test_installer_wine.sh VERSION
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" != --inside ]; then
    build=${LUMIDEX_WINDOWS_BUILD:-}
    [ -n "$build" ] || { echo "runs under make test-windows"; exit 77; }
    source=$(cd "$(dirname "$0")/.." && pwd)
    version=$1
    case "$version" in
        *.*.*) next=${version%.*}.$((${version##*.} + 1)) ;;
        *) next=$version.1 ;;
    esac
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$build/lumidex-app-$version-x64.msi" "$work/old.msi" ||
        fail "no installer (make windows-installer builds it)"
    cp -r "$build/lumidex" "$work/next"
    echo "$next" >"$work/next/next-version.txt"
    "$source/tools/windows-msi.sh" "$work/next" "$next" "$work/new.msi"
    cp "$0" "$source/tools/wine-session.sh" "$source/windows/lumidex-app.ico" "$work/"
    mkdir "$work/home"
    chmod -R a+rX "$work"
    as_user=()
    if [ "$(id -u)" = 0 ]; then
        chown 65534:65534 "$work/home"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    # A session of its own: a new prefix and X server, no host variables.
    "${as_user[@]}" env -i HOME="$work/home" TMPDIR="$work/home" PATH=/usr/bin:/bin \
        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
        "$work/wine-session.sh" bash "$work/$(basename "$0")" --inside "$work" "$version" "$next"
    exit
fi

work=$2 version=$3 next=$4
wine=/usr/lib/wine/wine64
c="$WINEPREFIX/drive_c"
program="$c/Program Files/Lumidex App"
msi() { "$wine" msiexec "$1" "Z:${2//\//\\}" /qn >/dev/null 2>&1; }
# "name|version|publisher" of each uninstall entry named Lumidex App.
entries() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk -F '    ' '
            function flush() { if (n == "Lumidex App") print n "|" v "|" p; n = v = p = "" }
            /^HKEY/ { flush() } END { flush() }
            $2 == "DisplayName" { n = $4 } $2 == "DisplayVersion" { v = $4 } $2 == "Publisher" { p = $4 }'
}
shortcut() { find "$c" -name 'Lumidex App.lnk'; }
settings() { find "$c/users" -path '*/AppData/Local/Lumidex/lumidex-app/*/lumidex2.ini'; }
# Starts the installed program, types `keys` into its window, closes it.
run_program() {
    "$wine" 'C:\Program Files\Lumidex App\lumidex-app.exe' >/dev/null 2>&1 &
    local pid=$! window
    window=$(timeout 90 xdotool search --sync --onlyvisible --name '^Lumidex App$' | head -n 1)
    [ -n "$window" ] || fail "the installed program showed no window"
    xdotool windowfocus --sync "$window" key --delay 100 "$@" alt+F4
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the window did not close"
}

msi /i "$work/old.msi" || fail "msiexec /i did not install $version"
diff -r -x next-version.txt "$work/next" "$program" || fail "installed files differ"
grep -aqF 'C:\Program Files\Lumidex App\lumidex-app.exe' "$(shortcut)" ||
    fail "no Start-menu shortcut to the program"
[ "$(entries)" = "Lumidex App|$version|Lumidex" ] || fail "uninstall entry: $(entries)"
cmp "$work/lumidex-app.ico" "$(find "$c/windows/Installer" -name lumidex-app.ico)" ||
    fail "the entry's icon is not the program's"

# The operator picks COM5 at 19200 (the port list has the focus first); the
# next start must open on them, as Down then moves both lists one further.
chmod a-w "$program"
run_program Home Down Down Down Down Tab Home Down
grep -q '^Setting=19200,n,8,1' "$(settings)" || fail "per-user copy: $(cat "$(settings)")"
run_program Down Tab Down
grep -q '^CommPort=6' "$(settings)" && grep -q '^Setting=38400,n,8,1' "$(settings)" ||
    fail "the next start did not read the per-user copy: $(cat "$(settings)")"
[ ! -e "$program/lumidex2.ini" ] || fail "a settings file appeared in the program folder"
chmod u+w "$program"

msi /i "$work/new.msi" || fail "msiexec /i did not upgrade to $next"
[ "$(entries)" = "Lumidex App|$next|Lumidex" ] || fail "after the upgrade: $(entries)"
diff -r "$work/next" "$program" || fail "the upgrade left other files"
if msi /i "$work/old.msi"; then fail "$version installed over $next"; fi
[ "$(entries)" = "Lumidex App|$next|Lumidex" ] || fail "after the refused downgrade: $(entries)"

msi /x "$work/new.msi" || fail "msiexec /x did not remove the program"
[ ! -e "$program" ] && [ -z "$(shortcut)" ] && [ -z "$(entries)" ] ||
    fail "removing left the folder, the shortcut or the entry"
grep -q '^CommPort=6' "$(settings)" || fail "removing lost the per-user settings"
echo "installer: installed $version, ran twice, upgraded to $next, refused $version, removed"
