#!/usr/bin/env bash
# `cmake --install` from BUILD_DIR writes under the prefix it is given and
# nowhere else, for a scratch prefix and for /usr under DESTDIR as cpack does:
# every file it reports (install_manifest.txt) lies under the prefix, every
# file under the prefix is one it reports, and the game, its desktop entry,
# metainfo and manual page are among them.
#   check_install_prefix.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install: $*" >&2; exit 1; }

# check PREFIX DESTDIR: installs there and checks what landed under
# DESTDIR (or /) + PREFIX against what cmake reports (paths without DESTDIR).
check() {
  local prefix="$1" dest="$2"
  rm -f "$build/install_manifest.txt"
  DESTDIR="$dest" cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "cmake --install --prefix $prefix failed (DESTDIR '$dest')"; }
  [ -s "$build/install_manifest.txt" ] || fail "cmake --install wrote no install_manifest.txt"
  local outside
  outside=$(grep -v "^$prefix/" "$build/install_manifest.txt" || true)
  [ -z "$outside" ] || fail "installed outside $prefix: $outside"
  (cd "$dest$prefix" && find . -mindepth 1 \( -type f -o -type l \) | sed "s#^\.#$prefix#" | sort) \
    >"$scratch/found"
  sort "$build/install_manifest.txt" >"$scratch/reported"
  cmp -s "$scratch/found" "$scratch/reported" ||
    fail "the files under $dest$prefix are not the ones reported: $(diff "$scratch/reported" "$scratch/found" | grep '^[<>]' | head -n 5 | tr '\n' ' ')"
  for f in games/zorrit share/applications/com.fennomark.Zorrit.desktop share/metainfo/com.fennomark.Zorrit.metainfo.xml \
           share/man/man6/zorrit.6; do
    [ -s "$dest$prefix/$f" ] || fail "$dest$prefix/$f is missing"
  done
  [ -x "$dest$prefix/games/zorrit" ] || fail "$dest$prefix/games/zorrit is not executable"
}

# Both under a DESTDIR, so that a destination outside the prefix shows in the
# report without touching the machine.
check "$scratch/prefix" "$scratch/staged"
check /usr "$scratch/dest"
extra=$(cd "$scratch/dest" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$extra" ] || fail "DESTDIR install wrote outside DESTDIR/usr: $extra"
rm -f "$build/install_manifest.txt"
echo "install: $(wc -l <"$scratch/reported") files, all under the prefix, for a scratch prefix and for /usr under DESTDIR"
