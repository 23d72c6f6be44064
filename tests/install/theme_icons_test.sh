#!/usr/bin/env bash
# The icons installed into the hicolor theme are the ones tools/make_artwork
# draws from the program's artwork, at every size the theme is given.
#   theme_icons_test.sh MAKE_ARTWORK SOURCE_DIR
set -euo pipefail
make_artwork=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen "$make_artwork" "$work/artwork" "$work/hicolor"
(cd "$work/hicolor" && find . -type f | sort) >"$work/drawn"
(cd "$source/data/icons/hicolor" && find . -type f | sort) >"$work/committed"
diff -u "$work/drawn" "$work/committed" || { echo "FAIL: the committed icons are not the drawn set" >&2; exit 1; }
while read -r icon; do
  cmp "$work/hicolor/$icon" "$source/data/icons/hicolor/$icon" || { echo "FAIL: $icon differs from the drawing" >&2; exit 1; }
done <"$work/drawn"
for size in 16 22 24 32 48 64 128 256; do
  file "$work/hicolor/${size}x${size}/apps/com.example.quillon.Quillon.png" | grep -q "PNG image data, $size x $size" ||
    { echo "FAIL: the ${size}x${size} icon has another size" >&2; exit 1; }
done
echo "the theme icons are make_artwork's"
