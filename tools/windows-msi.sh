#!/bin/sh
# Builds the Windows installer from the folder `make windows` lays out:
#
#     tools/windows-msi.sh FOLDER VERSION OUTPUT.msi
#
# windows/lumidex-app.wxs describes the product; every file of FOLDER other
# than lumidex-app.exe (which the product names itself) is listed for it by
# wixl-heat, so whatever the folder holds is installed. VERSION is the
# product's version as Windows Installer compares it: up to three numbers.
set -eu
if [ $# -ne 3 ]; then
    echo "usage: $0 FOLDER VERSION OUTPUT.msi" >&2
    exit 2
fi
case "$2" in
    "" | *[!0-9.]* | .* | *. | *..* | *.*.*.*)
        echo "$0: the version \"$2\" is not up to three numbers joined by dots" >&2; exit 2 ;;
esac
windows=$(cd "$(dirname "$0")/../windows" && pwd)
folder=$(cd "$1" && pwd)
[ -f "$folder/lumidex-app.exe" ] || { echo "$0: $folder holds no lumidex-app.exe" >&2; exit 1; }

# wixl finds the files an input names relative to that input, and takes no
# absolute paths: everything goes through one work folder.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$folder" "$work/payload"
cp "$windows/lumidex-app.wxs" "$windows/lumidex-app.ico" "$work/"
cd "$work"
find payload/ -type f ! -path payload/lumidex-app.exe | LC_ALL=C sort |
    wixl-heat --prefix payload/ --directory-ref INSTALLDIR --component-group ProgramFiles \
              --var var.SourceDir --win64 >files.wxs
wixl --arch x64 -D Version="$2" -D SourceDir=payload -D IconFile=lumidex-app.ico -D Win64=yes \
     -o out.msi lumidex-app.wxs files.wxs
cd - >/dev/null
mv "$work/out.msi" "$3"
