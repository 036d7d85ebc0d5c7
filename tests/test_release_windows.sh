#!/usr/bin/env bash
# The Windows release as built on Linux, read back from its files: every
# program in the laid-out folder carries the icon, version information and
# manifest; the zip holds that folder; and signing with a throwaway
# self-signed certificate gives the programs and the installer signatures
# that verify, and that fail once the file changes.
# Usage: test_release_windows.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
source=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ico="$source/windows/lumidex-app.ico"
for exe in "$build"/lumidex/*.exe; do
    name=$(basename "$exe" .exe)
    # wrestool rebuilds the icon file, with padding after it.
    wrestool -x --type=14 "$exe" | head -c "$(stat -c %s "$ico")" | cmp -s - "$ico" ||
        fail "$name.exe lacks the program's icon"
    strings=$(wrestool -x --raw --type=16 "$exe" | strings -el -n 2 | paste -sd'|')
    for field in "CompanyName|Lumidex" "ProductName|Lumidex App" "FileVersion|$version" \
                 "ProductVersion|$version" "OriginalFilename|$name.exe"; do
        case "|$strings|" in *"|$field|"*) ;; *) fail "$name.exe version lacks $field: $strings" ;; esac
    done
    wrestool -x --raw --type=24 "$exe" | grep -q 'requestedExecutionLevel level="asInvoker"' ||
        fail "$name.exe has no manifest"
done

zip="$build/lumidex-app-$version-win64.zip"
diff <(cd "$build" && find lumidex -type f | sort) \
     <(cmake -E tar tf "$zip" | grep -v '/$' | sort) || fail "$zip does not hold the folder"

# Signing: not without a certificate, then with a throwaway one.
msi="$build/lumidex-app-$version-x64.msi"
[ -f "$msi" ] || fail "no $msi (make windows-installer builds it)"
cp "$build/lumidex/lumidex-app.exe" "$msi" "$work/"
said=$(env -u SIGN_PKCS12 "$source/tools/windows-sign.sh" "$work/lumidex-app.exe")
cmp -s "$work/lumidex-app.exe" "$build/lumidex/lumidex-app.exe" && [[ $said == "Not signed"* ]] ||
    fail "without a certificate: $said"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Lumidex test" -days 2 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:s3cret \
    -out "$work/cert.p12"
for file in "$work/lumidex-app.exe" "$work/$(basename "$msi")"; do
    SIGN_PKCS12="$work/cert.p12" SIGN_PASSWORD=s3cret "$source/tools/windows-sign.sh" "$file" >/dev/null
    osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/verify.log" 2>&1 ||
        { cat "$work/verify.log"; fail "$file: the signature does not verify"; }
    printf 'X' | dd of="$file" bs=1 seek=$(($(stat -c %s "$file") / 2)) conv=notrunc 2>/dev/null
    if osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >/dev/null 2>&1; then
        fail "$file: changed after signing, yet it verifies"
    fi
done
echo "release: resources of $(ls "$build"/lumidex/*.exe | wc -l) program(s), zip, signing checked"
