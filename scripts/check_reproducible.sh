#!/usr/bin/env bash
# Builds the shipped programs and both packages of the checked-out commit a second time, from a
# clone in another folder, a year later by the clock and in another time zone, and compares them
# byte for byte with BUILD_ROOT's (from `make package`), as anyone checking a download would:
#   check_reproducible.sh BUILD_ROOT
# Prints the rebuild's SHA-256 sums; non-zero on any difference. Changes not committed yet differ.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
work=$(mktemp -d /tmp/tolvex-rebuild.XXXXXX)
trap 'rm -rf "$work"' EXIT

git clone -q --no-checkout "$root" "$work/src"
git -C "$work/src" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"

# The programs alone: the test driver and the stand-ins never ship. The packaging freezes its own
# clock, which a clock faked around it would shift.
rebuild() {
  (cd "$work/src" && cmake --preset "windows-$1" -B "$work/windows-$1" >/dev/null)
  TZ=Asia/Tokyo faketime -f +400d cmake --build "$work/windows-$1" --target TolvexDesktopWin TolvexRegset >/dev/null
  bash "$work/src/installer/build_package.sh" "$1" "$work/windows-$1" "$work/package" >/dev/null
}

# Neither build's folders in a program: a path of the machine would tell whose build it is.
machine_strings() {
  { strings -a "$1"; strings -a -el "$1"; } | grep -F -e "$root" -e "$build" -e "$work" -e "$HOME/" || true
}

status=0
for arch in x64 x86; do
  rebuild "$arch"
  for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
    cmp "$build/windows-$arch/$exe" "$work/windows-$arch/$exe" || status=1
    found=$(machine_strings "$work/windows-$arch/$exe")
    [ -z "$found" ] || { echo "$arch/$exe holds: $found"; status=1; }
  done
done
(cd "$work/package" && sha256sum -c "$build/package/SHA256SUMS") || status=1
(cd "$work" && sha256sum windows-*/*.exe package/*.msi)
[ "$status" -eq 0 ] && echo "reproducible: two builds of $(git -C "$root" rev-parse --short HEAD) are the same bytes"
exit "$status"
