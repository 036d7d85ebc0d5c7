#!/usr/bin/env bash
# Unpacks the prebuilt Qt for MinGW-w64 and its Linux host tools into CACHE
# (CACHE/target and CACHE/host), once per pair of archives: a stamp holds
# their checksums, so new archives are unpacked again.
#
#     tools/unpack-qt-mingw.sh TARGET_ARCHIVE HOST_ARCHIVE CACHE
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 TARGET_ARCHIVE HOST_ARCHIVE CACHE" >&2
    exit 2
fi
target_archive=$1
host_archive=$2
cache=$3
for archive in "$target_archive" "$host_archive"; do
    if [ ! -f "$archive" ]; then
        echo "$0: $archive is missing: the Windows build needs the prebuilt Qt for MinGW-w64" >&2
        echo "(set QT_MINGW_ARCHIVES to the folder that holds its archives)" >&2
        exit 1
    fi
done

stamp=$(sha256sum "$target_archive" "$host_archive" | cut -d' ' -f1 | tr '\n' ' ')
if [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$stamp" ]; then
    exit 0
fi

echo "Unpacking Qt for MinGW-w64 into $cache"
mkdir -p "$(dirname "$cache")"
fresh=$(mktemp -d "$cache.XXXXXX")
trap 'rm -rf "$fresh"' EXIT
mkdir "$fresh/target" "$fresh/host"
tar -C "$fresh/target" -xJf "$target_archive"
tar -C "$fresh/host" -xJf "$host_archive"
printf '%s' "$stamp" >"$fresh/stamp"
rm -rf "$cache"
mv "$fresh" "$cache"
trap - EXIT
