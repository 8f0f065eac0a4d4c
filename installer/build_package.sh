#!/usr/bin/env bash
# Builds one Windows Installer package from a windows-<arch> build folder:
#   build_package.sh x64|x86 BUILD_DIR OUT_DIR [VERSION [SOURCE]]
# writes OUT_DIR/TolvexCellVpnManager-VERSION-ARCH.msi (VERSION: the project's, from CMakeLists.txt;
# SOURCE: the .wxs, this folder's unless a test builds a package as an earlier source made it).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
arch=$1 build=$2 out=$3
version=${4:-$(sed -n 's/^project(TolvexDesktopWin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}
wxs=$(realpath "${5:-$here/TolvexCellVpnManager.wxs}")

case $arch in
  x64) tools=x86_64-w64-mingw32 ;;
  x86) tools=i686-w64-mingw32 ;;
  *) echo "build_package.sh: architecture x64 or x86, not '$arch'" >&2; exit 2 ;;
esac
# Windows Installer compares only the first three fields of a product's version, and the build is
# the fourth: the package's version is major.minor.(patch*1000 + build), which grows with every
# build, so that an older build is refused as any older version is. The file names and the
# programs keep the four fields.
if [[ $version =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,2})\.([0-9]{1,3})$ ]]; then
  major=$((10#${BASH_REMATCH[1]})) minor=$((10#${BASH_REMATCH[2]}))
  third=$((10#${BASH_REMATCH[3]} * 1000 + 10#${BASH_REMATCH[4]}))
fi
if [ -z "${third-}" ] || (( major > 255 || minor > 255 || third > 65535 )); then
  echo "build_package.sh: version '$version' does not fit a package: major.minor.patch.build, major and" \
       "minor up to 255, build up to 999, patch*1000 + build up to 65535" >&2
  exit 1
fi
product_version=$major.$minor.$third
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
# The programs are linked stripped and go in as built, with the icon. Every time the package holds
# is the last commit's (SOURCE_DATE_EPOCH's outside a git checkout): the cabinet keeps each file's
# time, wixl and msibuild write their clock into the summary. UTC, whatever the builder's zone.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null)} ||
  { echo "build_package.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
cp "$build/TolvexDesktopWin.exe" "$build/Tolvex Regset.exe" "$root/ui/resources/res/TolvexDesktopWin.ico" "$stage/"
touch -d "@$epoch" "$stage"/*
commit_time=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
frozen() { TZ=UTC faketime "$commit_time" "$@"; }
msibuild() { frozen msibuild "$@"; }

# The product and package codes follow from all the package is made of: a rebuild gets the same
# codes, any other package other ones. Another build of the same version is thus another product,
# which replaces the installed one as an upgrade does.
digest=$(cat "$stage/TolvexDesktopWin.exe" "$stage/Tolvex Regset.exe" "$stage/TolvexDesktopWin.ico" \
             "$wxs" "$here/build_package.sh" <(echo "$version $arch $(wixl --version)") |
           sha256sum | cut -d' ' -f1)
upgrade_code=D8634525-0F20-4788-81D6-89FC33978A16
code() {
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$upgrade_code" "$1 $digest"
}

msi=$out/TolvexCellVpnManager-$version-$arch.msi
rm -f "$msi"
# wixl finds files only relative to where it runs. It says "unimplemented" for every shortcut that
# is not advertised, yet writes it whole: that notice is left out.
if ! (cd "$stage" && frozen wixl -a "$arch" -D Arch="$arch" -D Version="$version" -D ProductVersion="$product_version" \
        -D UpgradeCode="$upgrade_code" -D ProductCode="$(code product)" -o "$msi" "$wxs") 2>"$stage/wixl.log"; then
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
# wixl draws the package code at random whatever the source says: it is set in the summary, whose
# other fields are wixl's.
summary() { msiinfo suminfo "$msi" | sed -n "s/^$1: //p"; }
msibuild "$msi" -s "$(summary Subject)" "$(summary Author)" "$(summary Template)" "{$(code package)}"
# One product on the machine: an installed copy of this very version (the other architecture's
# package, or another build) is removed before the install as an older one is, where wixl's upgrade
# row stops below this version. 513: detect and migrate the features (1), VersionMax inclusive.
# Attributes is part of the row's key, which an UPDATE cannot change: the row is written anew.
msibuild "$msi" -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('{$upgrade_code}', '$product_version', 513, 'WIX_UPGRADE_DETECTED')"
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
msiinfo export "$msi" Upgrade | awk -F'\t' -v v="$product_version" '$3 == v && $5 == 513 { found = 1 } END { exit !found }' ||
  { echo "build_package.sh: version $product_version not replaced" >&2; exit 1; }
[ "$(summary 'Revision number (UUID)')" = "{$(code package)}" ] || { echo "build_package.sh: package code not set" >&2; exit 1; }
msiinfo export "$msi" Property | grep -q 'SecureCustomProperties.*;STARTWITHWINDOWS' ||
  { echo "build_package.sh: STARTWITHWINDOWS not secure" >&2; exit 1; }
echo "$msi"
