#!/usr/bin/env bash
# Packs PNG pictures into a Windows icon file, each picture one image of the
# icon as it is (Windows reads PNG images inside icons since Vista).
#   make-ico.sh OUT.ico PICTURE.png...
# Without arguments it makes tipsmith.ico beside it from the program's PNG
# icons: run it after render-icons.sh and commit the icon, so that a build on
# Windows needs no shell.
set -euo pipefail
if [ $# -eq 0 ]; then
    here=$(dirname "$0")
    exec "$0" "$here/tipsmith.ico" "$here"/../icons/org.tipsmith.Tipsmith-{48,128,256}.png
fi
out=$1
shift
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }
# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_word() { od -An -tu1 -j"$2" -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }

{
    le16 0
    le16 1 # an icon, not a cursor
    le16 $#
    offset=$((6 + 16 * $#))
    for png in "$@"; do
        width=$(png_word "$png" 16)
        height=$(png_word "$png" 20)
        size=$(stat -c %s "$png")
        # A side of 256 is written as 0.
        printf "\\x$(printf %02x $((width & 255)))\\x$(printf %02x $((height & 255)))"
        le16 0    # no palette, reserved
        le16 1    # planes
        le16 32   # bits per pixel
        le32 "$size"
        le32 "$offset"
        offset=$((offset + size))
    done
    cat "$@"
} >"$out.part"
mv "$out.part" "$out"
