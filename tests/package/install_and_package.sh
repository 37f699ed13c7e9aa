#!/usr/bin/env bash
# cmake --install into a staging folder: the installed desktop entry and AppStream file are
# valid, and cpack -G DEB builds a package that holds every installed file and names its
# dependencies.   install_and_package.sh BUILD_DIR
set -euo pipefail
build="${1:?the build folder}"
tmp="$(mktemp -d /tmp/kalvero-package.XXXXXX)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/stage" cmake --install "$build" --prefix /usr >/dev/null
share="$tmp/stage/usr/share"
desktop-file-validate "$share/applications/kalvero.desktop" || fail "desktop-file-validate"
grep -qx 'MimeType=application/rtf;text/rtf;' "$share/applications/kalvero.desktop" \
    || fail "the desktop entry must offer RTF only"
appstreamcli validate --no-net "$share/metainfo/org.kalvero.Kalvero.metainfo.xml" || fail "appstreamcli validate"

expected="/usr/bin/kalvero
/usr/share/applications/kalvero.desktop
/usr/share/icons/hicolor/128x128/apps/kalvero.png
/usr/share/icons/hicolor/16x16/apps/kalvero.png
/usr/share/icons/hicolor/256x256/apps/kalvero.png
/usr/share/icons/hicolor/32x32/apps/kalvero.png
/usr/share/icons/hicolor/48x48/apps/kalvero.png
/usr/share/icons/hicolor/64x64/apps/kalvero.png
/usr/share/icons/hicolor/scalable/apps/kalvero.svg
/usr/share/kalvero/MAP-NOTES.md
/usr/share/kalvero/map.txt
/usr/share/metainfo/org.kalvero.Kalvero.metainfo.xml"
staged=$(cd "$tmp/stage" && find . -type f | sed 's|^\.||' | LC_ALL=C sort)
[ "$staged" = "$expected" ] || fail "installed files differ:"$'\n'"$staged"
for size in 16 32 48 64 128 256; do
    file "$share/icons/hicolor/${size}x${size}/apps/kalvero.png" | grep -q "PNG image data, $size x $size" \
        || fail "the ${size}px icon is not ${size}x${size}"
done

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >/dev/null || fail "cpack -G DEB"
deb=$(ls "$tmp"/deb/kalvero_*.deb)
packed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\.||' | LC_ALL=C sort)
[ "$packed" = "$expected" ] || fail "the package holds other files:"$'\n'"$packed"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6printsupport6 libjpeg62-turbo qt6-qpa-plugins; do
    case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "fonts-noto-core" ] || fail "Recommends is not fonts-noto-core"
echo "PASS install and package"
