#!/usr/bin/env bash
# Builds the Debian package as `make package` does and checks it: the files
# it installs, its dependencies, lintian, the desktop entry, the AppStream
# metadata and the file type, and run paths that never name the build tree.
#   package_contents_test.sh BUILD_DIR SOURCE_DIR MULTIARCH
set -euo pipefail
build=$1 source=$2 multiarch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$build"
rm -f quillon_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; fail "cpack"; }
deb=$(ls quillon_*_"$(dpkg --print-architecture)".deb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Exactly these files, nothing of the build or the tests.
id=com.example.quillon.Quillon
{
  echo ./usr/bin/quillon
  echo ./usr/bin/zla
  echo "./usr/lib/$multiarch/quillon/libZLDecoder.so"
  echo "./usr/lib/$multiarch/quillon/libmpeg_encoder.so"
  echo "./usr/share/applications/$id.desktop"
  echo "./usr/share/metainfo/$id.metainfo.xml"
  echo "./usr/share/mime/packages/$id.xml"
  for size in 16 22 24 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  done
  echo "./usr/share/icons/hicolor/scalable/apps/$id.svg"
  echo ./usr/share/man/man1/quillon.1.gz
  echo ./usr/share/man/man1/zla.1.gz
  echo ./usr/share/doc/quillon/changelog.gz
  echo ./usr/share/doc/quillon/copyright
} | sort >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/listed"
diff -u "$work/expected" "$work/listed" || fail "the package's files differ from the expected list"

# dpkg-shlibdeps found the libraries the program and its own libraries use.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libpulse0 libsndfile1 libmpg123-0 libmp3lame0 libpng16-16 xdg-utils; do
  grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian reports errors"; }
cat "$work/lintian"

tree=$work/tree
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "^Exec=quillon %F$" "$tree/usr/share/applications/$id.desktop" || fail "Exec does not take files"
for type in audio/x-wav audio/mpeg audio/flac audio/ogg audio/x-opus+ogg audio/x-zla; do
  grep -q "^MimeType=.*$type;" "$tree/usr/share/applications/$id.desktop" || fail "MimeType lacks $type"
done

# The ZLA type as the desktop compiles and detects it: by the suffix, and
# by the magic bytes under a foreign name.
mkdir -p "$work/share"
cp -r /usr/share/mime "$work/share/mime"
cp "$tree/usr/share/mime/packages/$id.xml" "$work/share/mime/packages/"
update-mime-database "$work/share/mime" || fail "update-mime-database"
printf 'ZLA\032\001\000\000\000\000\000\000\000\000\000\000\000' >"$work/take.bin"
printf "no magic here" >"$work/named.zla"
for file in take.bin named.zla; do
  type=$(XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share" gio info -a standard::content-type "$work/$file" |
         sed -n 's/.*standard::content-type: //p')
  [ "$type" = audio/x-zla ] || fail "$file is taken for '$type'"
done

# Run paths: relative to the program, never the build or source tree.
for program in quillon zla; do
  runpath=$(readelf -d "$tree/usr/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = "\$ORIGIN/../lib/$multiarch/quillon" ] || fail "$program has run path '$runpath'"
done
# The test doubles stay out of what ships (the build's program is not stripped).
symbols=$(nm -C "$build/bin/quillon")
[ -n "$symbols" ] || fail "no symbols to check in $build/bin/quillon"
if grep -q "FakeBackend\|SetBackendForTesting.*Fake" <<<"$symbols"; then
  fail "the program links the fake audio back end"
fi
if grep -rlaF -e "$build" -e "$source" "$tree"; then
  fail "installed files name the build or source tree"
fi
echo "package $deb: files, dependencies, lintian, validators and run paths are right"
