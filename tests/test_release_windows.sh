#!/usr/bin/env bash
# The Windows release read back from its files: the laid-out folder holds
# both programs, and every program in it carries the icon, version
# information and manifest; the zip holds the folder; signed with a throwaway
# self-signed certificate, a program and the installer verify, and fail to
# once a byte of them changes.
# Usage: test_release_windows.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2 source=$(cd "$(dirname "$0")/.." && pwd) work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

ico="$source/windows/lumidex-app.ico"
for name in lumidex-app lumidex-send; do
    [ -f "$build/lumidex/$name.exe" ] || fail "the folder lacks $name.exe"
done
for exe in "$build"/lumidex/*.exe; do
    name=$(basename "$exe" .exe)
    # wrestool rebuilds the icon file, with padding after it.
    wrestool -x -t14 "$exe" | head -c "$(stat -c %s "$ico")" | cmp -s - "$ico" || fail "$name: no icon"
    info=$(wrestool -x --raw -t16 "$exe" | strings -el -n 2 | paste -sd'|')
    [[ $info == *"|CompanyName|Lumidex|"*"|FileVersion|$version|"* &&
       $info == *"|OriginalFilename|$name.exe|ProductName|Lumidex App|ProductVersion|$version|"* ]] ||
        fail "$name: version information $info"
    wrestool -x --raw -t24 "$exe" | grep -q 'level="asInvoker"' || fail "$name: no manifest"
done
diff <(cd "$build" && find lumidex -type f | sort) \
     <(cmake -E tar tf "$build/lumidex-app-$version-win64.zip" | grep -v '/$' | sort) || fail "zip"

cp "$build/lumidex/lumidex-app.exe" "$build/lumidex-app-$version-x64.msi" "$work/"
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=test -days 2 -keyout "$work/key.pem" \
    -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:s3cret \
    -out "$work/cert.p12"
SIGN_PKCS12="$work/cert.p12" SIGN_PASSWORD=s3cret "$source/tools/windows-sign.sh" \
    "$work"/*.exe "$work"/*.msi >/dev/null
for file in "$work"/*.exe "$work"/*.msi; do
    osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/log" 2>&1 ||
        { cat "$work/log"; fail "$file: the signature does not verify"; }
    printf X | dd of="$file" bs=1 seek=$(($(stat -c %s "$file") / 2)) conv=notrunc 2>/dev/null
    ! osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >/dev/null 2>&1 ||
        fail "$file: changed after signing, yet it verifies"
done
echo "release: $(ls "$build"/lumidex/*.exe | wc -l) program(s), zip and signing checked"
