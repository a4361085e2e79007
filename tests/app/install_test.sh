#!/bin/sh
# Installs the build into a staging folder and checks that the program, its
# manual, a valid desktop entry and the hicolor icons land where the
# freedesktop specifications expect them.
set -e
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr/local >/dev/null
root="$stage/usr/local"
test -x "$root/bin/kestrow"
test -f "$root/share/kestrow/manual.html"
desktop-file-validate "$root/share/applications/kestrow.desktop"
grep -q '^Categories=AudioVideo;DiscBurning;$' "$root/share/applications/kestrow.desktop"
grep -q '^Icon=kestrow$' "$root/share/applications/kestrow.desktop"
for n in 16 22 24 32 48 64 128 256; do
    icon="$root/share/icons/hicolor/${n}x${n}/apps/kestrow.png"
    test -f "$icon" || { echo "missing $icon"; exit 1; }
    size=$(python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print('%dx%d' % struct.unpack('>II', d[16:24]))" "$icon")
    [ "$size" = "${n}x${n}" ] || { echo "$icon is $size"; exit 1; }
done
echo "install layout ok"
