#!/usr/bin/env bash
# Builds one Windows Installer package from a windows-<arch> build folder:
#   build_package.sh x64|x86 BUILD_DIR OUT_DIR [VERSION]
# writes OUT_DIR/TolvexCellVpnManager-VERSION-ARCH.msi (VERSION: the project's, from CMakeLists.txt).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
arch=$1 build=$2 out=$3
version=${4:-$(sed -n 's/^project(TolvexDesktopWin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}

case $arch in
  x64) tools=x86_64-w64-mingw32 ;;
  x86) tools=i686-w64-mingw32 ;;
  *) echo "build_package.sh: architecture x64 or x86, not '$arch'" >&2; exit 2 ;;
esac
for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
  if [ ! -f "$build/$exe" ]; then
    echo "build_package.sh: $build/$exe is missing: build the windows-$arch preset first" >&2
    exit 1
  fi
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$out/stage-$arch
rm -rf "$stage"
mkdir -p "$stage"
for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
  "$tools-strip" -o "$stage/$exe" "$build/$exe"
done
cp "$root/ui/resources/res/TolvexDesktopWin.ico" "$stage/"

msi=$out/TolvexCellVpnManager-$version-$arch.msi
rm -f "$msi"
# wixl finds files only relative to where it runs. It says "unimplemented" for every shortcut that
# is not advertised, yet writes it whole: that notice is left out.
if ! (cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -o "$msi" \
        "$here/TolvexCellVpnManager.wxs") 2>"$stage/wixl.log"; then
  cat "$stage/wixl.log" >&2
  exit 1
fi
grep -v 'builder.vala:[0-9]*: unimplemented' "$stage/wixl.log" >&2 || true

# wixl writes no component conditions, ignores a component's Permanent flag and a property's
# Secure flag: they are set in the tables here.
component_attributes() {
  msiinfo export "$msi" Component | awk -F'\t' -v c="$1" '$1 == c { print $4 }'
}
set_component() {
  local component=$1 condition=$2 extra=${3:-0}
  local attributes=$(( $(component_attributes "$component") | extra ))
  msibuild "$msi" -q "UPDATE Component SET Condition = '$condition', Attributes = $attributes WHERE Component = '$component'"
}
permanent=16
set_component StartWithWindows 'STARTWITHWINDOWS <> "0"'
set_component NatTraversalRule 'VersionNT >= 600' $permanent
set_component TunnelMtu 'NOT TUNNELMTUBEFORE' $permanent
# wixl leaves the File table's Version empty, which makes Windows Installer take a program for an
# unversioned file; the version comes from the program's own resource (none: unversioned). A
# versioned file has no hash.
file_version() {
  { "$tools-windres" -i "$stage/$1" -O rc 2>/dev/null || true; } | awk '$1 == "FILEVERSION" { gsub(/ /, ""); print substr($0, 12) }'
}
for file in TolvexDesktopWin.exe:TolvexDesktopWin.exe "TolvexRegset.exe:Tolvex Regset.exe"; do
  file_version=$(file_version "${file#*:}")
  [ -n "$file_version" ] || continue
  msibuild "$msi" -q "UPDATE File SET Version = '${file_version//,/.}' WHERE File = '${file%%:*}'"
  msibuild "$msi" -q "DELETE FROM MsiFileHash WHERE File_ = '${file%%:*}'"
done
# wixl writes long names alone (it ignores ShortName), where Windows Installer's name columns hold
# "short|long" for a name that is not a short one.
for update in "File SET FileName = 'TOLVEX~1.EXE|TolvexDesktopWin.exe' WHERE File = 'TolvexDesktopWin.exe'" \
              "File SET FileName = 'TOLVEX~2.EXE|Tolvex Regset.exe' WHERE File = 'TolvexRegset.exe'" \
              "Directory SET DefaultDir = 'TOLVEX~1|Tolvex Computer' WHERE Directory = 'MAKERDIR'" \
              "Directory SET DefaultDir = 'TOLVEX~1|Tolvex Cell VPN Manager' WHERE Directory = 'INSTALLDIR'" \
              "Shortcut SET Name = 'TOLVEX~1|Tolvex Cell VPN Manager' WHERE Shortcut = 'StartMenuShortcut'"; do
  msibuild "$msi" -q "UPDATE $update"
done
# STARTWITHWINDOWS reaches the install's elevated part only when secure.
secure=$(msiinfo export "$msi" Property | awk -F'\t' '$1 == "SecureCustomProperties" { print $2 }')
msibuild "$msi" -q "UPDATE Property SET Value = '$secure;STARTWITHWINDOWS' WHERE Property = 'SecureCustomProperties'"

# An update that matches no row passes silently: the tables are read back.
components=$(msiinfo export "$msi" Component)
for expected in 'StartWithWindows.*STARTWITHWINDOWS <> "0"' 'NatTraversalRule.*VersionNT >= 600' 'TunnelMtu.*NOT TUNNELMTUBEFORE'; do
  grep -q "$expected" <<<"$components" || { echo "build_package.sh: $msi lacks $expected" >&2; exit 1; }
done
for component in NatTraversalRule TunnelMtu; do
  (( $(component_attributes $component) & permanent )) || { echo "build_package.sh: $component not permanent" >&2; exit 1; }
done
msiinfo export "$msi" Property | grep -q 'SecureCustomProperties.*;STARTWITHWINDOWS' ||
  { echo "build_package.sh: STARTWITHWINDOWS not secure" >&2; exit 1; }
echo "$msi"
