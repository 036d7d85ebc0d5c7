#!/usr/bin/env bash
# Signs Windows programs and installers (Authenticode, SHA-256) with the
# certificate and key in a PKCS#12 file, when one is given:
#
#     SIGN_PKCS12=cert.p12 SIGN_PASSWORD=... [SIGN_TIMESTAMP_URL=http://...] \
#         tools/windows-sign.sh FILE|FOLDER...
#
# A FOLDER stands for the .exe files in it. With a time-stamp URL the
# signature carries an RFC 3161 time stamp from that server, so it stays valid
# after the certificate expires. Without SIGN_PKCS12 nothing is signed, and
# each file is named as not signed.
set -euo pipefail
shopt -s nullglob

files=()
for arg in "$@"; do
    if [ -d "$arg" ]; then
        files+=("$arg"/*.exe)
    else
        files+=("$arg")
    fi
done

if [ -z "${SIGN_PKCS12:-}" ]; then
    for file in "${files[@]}"; do
        echo "Not signed (no SIGN_PKCS12 certificate given): $file"
    done
    exit 0
fi
if [ ! -r "$SIGN_PKCS12" ]; then
    echo "$0: cannot read the certificate SIGN_PKCS12=$SIGN_PKCS12" >&2
    exit 1
fi
timestamp=()
if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then
    timestamp=(-ts "$SIGN_TIMESTAMP_URL")
fi
for file in "${files[@]}"; do
    # The password goes through a pipe, never on a command line.
    printf '%s' "${SIGN_PASSWORD:-}" |
        osslsigncode sign -pkcs12 "$SIGN_PKCS12" -readpass - -h sha256 -n "Lumidex App" \
            "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null ||
        { rm -f "$file.signed"; echo "$0: could not sign $file" >&2; exit 1; }
    mv "$file.signed" "$file"
    echo "Signed: $file"
done
