#!/usr/bin/env bash
# Unpacks the prebuilt Qt for MinGW-w64 into CACHE/target, once per archive:
# a stamp holds its checksum, so a new archive is unpacked again. Its host
# tools are Debian's own Qt, so no second archive is needed.
#
#     tools/unpack-qt-mingw.sh ARCHIVE CACHE
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 ARCHIVE CACHE" >&2
    exit 2
fi
archive=$1
cache=$2
if [ ! -f "$archive" ]; then
    echo "$0: $archive is missing: the Windows build needs the prebuilt Qt for MinGW-w64" >&2
    echo "(set QT_MINGW_ARCHIVES to the folder that holds its archive)" >&2
    exit 1
fi

stamp=$(sha256sum "$archive" | cut -d' ' -f1)
if [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$stamp" ]; then
    exit 0
fi

echo "Unpacking Qt for MinGW-w64 into $cache"
mkdir -p "$(dirname "$cache")"
fresh=$(mktemp -d "$cache.XXXXXX")
trap 'rm -rf "$fresh"' EXIT
mkdir "$fresh/target"
tar -C "$fresh/target" -xJf "$archive"
printf '%s' "$stamp" >"$fresh/stamp"
rm -rf "$cache"
mv "$fresh" "$cache"
trap - EXIT
