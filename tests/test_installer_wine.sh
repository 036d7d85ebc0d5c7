#!/usr/bin/env bash
# The Windows installer under Wine, used by an unprivileged user in a Wine
# prefix and X server of its own: msiexec installs the MSI make
# windows-installer builds (files, Start-menu shortcut, uninstall entry and its
# icon); the installed program, its folder not writable, keeps a changed port
# and baud rate in the per-user copy, which the next start reads; a higher
# version (with one more file) replaces it, leaving one entry; the older one is
# then refused; removing takes folder, shortcut and entry, and leaves the
# settings. Runs under make test-windows; skips elsewhere.
# Usage: test_installer_wine.sh VERSION
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" != --inside ]; then
    build=${LUMIDEX_WINDOWS_BUILD:-}
    [ -n "$build" ] || { echo "runs under make test-windows"; exit 77; }
    source=$(cd "$(dirname "$0")/.." && pwd) version=$1 work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    next=$((${version%%.*} + 1))${version#"${version%%.*}"}
    cp -r "$build/lumidex" "$work/next"
    echo "$next" >"$work/next/next-version.txt"
    "$source/tools/windows-msi.sh" "$work/next" "$next" "$work/new.msi"
    cp "$build/lumidex-app-$version-x64.msi" "$work/old.msi"
    cp "$0" "$source/tools/wine-session.sh" "$source/windows/lumidex-app.ico" "$work/"
    mkdir "$work/home" && chmod -R a+rX "$work"
    as_user=()
    if [ "$(id -u)" = 0 ]; then  # root ignores permission bits
        chown 65534:65534 "$work/home" && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    "${as_user[@]}" env -i HOME="$work/home" TMPDIR="$work/home" PATH=/usr/bin:/bin \
        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
        "$work/wine-session.sh" bash "$work/${0##*/}" --inside "$work" "$version" "$next"
    exit
fi

work=$2 version=$3 next=$4 wine=/usr/lib/wine/wine64 c="$WINEPREFIX/drive_c"
program="$c/Program Files/Lumidex App"
trap '[ ! -d "$program" ] || chmod -R u+w "$program"' EXIT  # so that the prefix can be deleted
msi() { "$wine" msiexec "$1" "Z:${2//\//\\}" /qn >/dev/null 2>&1; }
# Name, version and publisher of every uninstall entry (a new prefix has none).
entries() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | sed -n 's/^ *\(DisplayName\|DisplayVersion\|Publisher\) *REG_SZ *//p' | paste -sd'|'
}
shortcut() { find "$c" -name 'Lumidex App.lnk'; }
settings() { cat "$(find "$c/users" -path '*/AppData/Local/Lumidex/lumidex-app/*/lumidex2.ini')"; }
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
grep -aqF 'C:\Program Files\Lumidex App\lumidex-app.exe' "$(shortcut)" || fail "no shortcut"
[ "$(entries)" = "Lumidex App|$version|Lumidex" ] || fail "uninstall entry: $(entries)"
cmp "$work/lumidex-app.ico" "$(find "$c/windows/Installer" -name lumidex-app.ico)" || fail "icon"

# COM5 at 19200 (the port list has the focus first); the next start must open
# on them, as Down then moves both lists one further.
chmod a-w "$program"
run_program Home Down Down Down Down Tab Home Down
run_program Down Tab Down
[[ $(settings) == *$'CommPort=6\r\nSetting=38400,n,8,1'* ]] || fail "per-user copy: $(settings)"
[ ! -e "$program/lumidex2.ini" ] || fail "a settings file appeared in the program folder"
chmod u+w "$program"

msi /i "$work/new.msi" || fail "msiexec /i did not upgrade to $next"
[ "$(entries)" = "Lumidex App|$next|Lumidex" ] || fail "after the upgrade: $(entries)"
diff -r "$work/next" "$program" || fail "the upgrade left other files"
! msi /i "$work/old.msi" || fail "$version installed over $next"
[ "$(entries)" = "Lumidex App|$next|Lumidex" ] || fail "after the refused downgrade: $(entries)"

msi /x "$work/new.msi" || fail "msiexec /x did not remove the program"
[ ! -e "$program" ] && [ -z "$(shortcut)" ] && [ -z "$(entries)" ] || fail "removal left traces"
[[ $(settings) == *CommPort=6* ]] || fail "removing lost the per-user settings"
echo "installer: installed $version, ran twice, upgraded to $next, refused $version, removed"
