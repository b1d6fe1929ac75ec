#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, unpacks it into a scratch folder
# and checks what it holds: the game, the desktop entry (validated), the
# metainfo, the manual page, the four icons, and the SDL2 runtime dependency.
#   check_package_files.sh BUILD_DIR
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/out/zorrit_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no zorrit_*.deb was made"
dpkg-deb -x "$deb" "$scratch/root"

for f in usr/games/zorrit usr/share/applications/com.fennomark.Zorrit.desktop \
         usr/share/metainfo/com.fennomark.Zorrit.metainfo.xml usr/share/man/man6/zorrit.6 \
         usr/share/icons/hicolor/32x32/apps/zorrit.png usr/share/icons/hicolor/64x64/apps/zorrit.png \
         usr/share/icons/hicolor/128x128/apps/zorrit.png usr/share/icons/hicolor/256x256/apps/zorrit.png; do
  [ -s "$scratch/root/$f" ] || fail "missing $f"
done
[ -x "$scratch/root/usr/games/zorrit" ] || fail "the game is not executable"
# Nothing outside /usr.
extra=$(cd "$scratch/root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$extra" ] || fail "files outside /usr: $extra"

desktop-file-validate "$scratch/root/usr/share/applications/com.fennomark.Zorrit.desktop" || fail "desktop entry invalid"
# What a software centre reads: the metainfo passes appstreamcli (warnings
# fail too; no network, the screenshot links are not fetched), its component
# id names the desktop entry, and it carries screenshots and a content rating.
metainfo="$scratch/root/usr/share/metainfo/com.fennomark.Zorrit.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "metainfo does not validate"
grep -q '<launchable type="desktop-id">com.fennomark.Zorrit.desktop</launchable>' "$metainfo" ||
  fail "metainfo does not launch the desktop entry"
[ "$(grep -c '<screenshot[ >]' "$metainfo")" -ge 1 ] || fail "metainfo has no screenshots"
grep -q '<content_rating type="oars-1.1">' "$metainfo" || fail "metainfo has no content rating"
# The manual page formats without a warning and has its FILES section.
manpage="$scratch/root/usr/share/man/man6/zorrit.6"
[ -f "$manpage" ] || manpage="$manpage.gz"
man_warnings=$(zcat -f "$manpage" | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$man_warnings" ] || fail "manual page: $man_warnings"
zcat -f "$manpage" | grep -q '^\.SH FILES' || fail "manual page has no FILES section"
grep -q '^Categories=.*Game;.*ArcadeGame;' "$scratch/root/usr/share/applications/com.fennomark.Zorrit.desktop" ||
  fail "desktop entry lacks Game;ArcadeGame"

depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libsdl2-2.0-0' || fail "Depends lacks the SDL2 runtime: $depends"

# Icons: PNG of the right size (width and height are bytes 16..23 of the file).
for size in 32 64 128 256; do
  png="$scratch/root/usr/share/icons/hicolor/${size}x${size}/apps/zorrit.png"
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "icon ${size}: is $dims"
done
echo "package: $(basename "$deb") holds what it should (Depends: $depends)"
