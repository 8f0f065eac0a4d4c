#!/usr/bin/env bash
# The Windows Installer packages under Wine, in a fresh prefix made by wineboot (it holds none of
# the IPsec values, as a machine that never had a VPN set up):
#   run_installer_tests.sh BUILD_ROOT
# BUILD_ROOT holds windows-x64 (the program and the end-to-end driver) and package (both
# packages, from `make package`). One line per check, then a summary; non-zero on any failure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tests/e2e/wine_session.sh"

build=$(realpath "$1")
x64=$build/package/TolvexCellVpnManager-1.0.0.8-x64.msi
x86=$build/package/TolvexCellVpnManager-1.0.0.8-x86.msi
driver=$build/windows-x64/e2e/e2e_driver.exe
for file in "$x64" "$x86" "$driver"; do
  [ -f "$file" ] || { echo "missing $file: run make package first" >&2; exit 1; }
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
run=$(mktemp -d /tmp/tolvex-installer.XXXXXX)
trap 'end_session; stop_display; rm -rf "$run"' EXIT
trap 'exit 143' TERM INT

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >"$run/check.log" 2>&1; then
    passed=$((passed + 1))
    echo "ok      $what"
  else
    failed=$((failed + 1))
    echo "FAILED  $what"
    sed 's/^/        /' "$run/check.log"
  fi
}

# What a check looks at, through Wine as Windows programs see it.
services='HKLM\SYSTEM\CurrentControlSet\services'
rule_key="$services\\PolicyAgent" rule=AssumeUDPEncapsulationContextOnSendRule
mtu_key="$services\\NdisWan\\Parameters\\Protocols\\0"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
product='Tolvex Cell VPN Manager'
# "TYPE DATA" of a value, or nothing. Extra arguments (/reg:32) pick the registry view.
value() { wine reg query "$1" /v "$2" "${@:3}" 2>/dev/null | tr -d '\r' | awk -F'    ' -v n="$2" '$2 == n { print $3 " " $4 }'; }
is() { [ "$1" = "$2" ] || { echo "expected '$2', found '$1'"; return 1; }; }
no_value() { [ -z "$(value "$@")" ] || { echo "$1 \\ $2 is still there"; return 1; }; }
no_key() { ! wine reg query "$1" "${@:2}" >/dev/null 2>&1 || { echo "$1 is still there"; return 1; }; }
# msiexec's exit code whole: Unix keeps only its low byte (3010 would read 194).
msiexec() {
  { wine cmd /c 'C:\msiexec-code.bat' "$@" 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^exit=//p'
}
msi_path() { echo "Z:${1//\//\\}"; }
# The registrations of the product, one "code version" a line, from the Uninstall key's entries.
registrations() {
  local key
  for key in $(wine reg query "$uninstall_key" "$@" 2>/dev/null | tr -d '\r' | grep -o '{[0-9A-F-]*}$'); do
    [ "$(value "$uninstall_key\\$key" DisplayName "$@")" = "REG_SZ $product" ] &&
      echo "$key $(value "$uninstall_key\\$key" DisplayVersion "$@" | cut -d' ' -f2)"
  done
  return 0
}
# Wine's msiexec logs no launch condition's message in quiet mode: the log shows the action
# failing and the property that made it fail.
refused_by_launch_condition() {
  grep -aq 'LaunchConditions. Return value 0' "$WINEPREFIX/drive_c/$1" && grep -aq "$2" "$WINEPREFIX/drive_c/$1"
}
no_debug_sections() { ! "$1" -h "$2" | grep -q ' \.debug'; }
# The loader's protections, and no library in the import table beyond the system's known ones
# and the side-by-side common controls.
hardened() {
  local headers
  headers=$("$1" -p "$2")
  for flag in "${@:3}"; do grep -q "$flag" <<<"$headers" || { echo "no $flag"; return 1; }; done
  ! grep -i 'DLL Name' <<<"$headers" | grep -v -i -E 'KERNEL32|USER32|ADVAPI32|SHELL32|WS2_32|msvcrt|COMCTL32'
}
# The shortcut's link flags, target and working folder, one a line.
read_shortcut() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
flags = struct.unpack_from('<I', data, 0x14)[0]
pos = 0x4C
if flags & 0x1:  # the target's item list
    pos += 2 + struct.unpack_from('<H', data, pos)[0]
target = ''
if flags & 0x2:  # the target's location: its local path, ANSI
    base = pos + struct.unpack_from('<I', data, pos + 16)[0]
    target = data[base:data.index(b'\0', base)].decode('latin-1')
    pos += struct.unpack_from('<I', data, pos)[0]
strings = {}
for bit in (0x4, 0x8, 0x10, 0x20, 0x40):  # name, relative path, working folder, arguments, icon
    if flags & bit:
        count = struct.unpack_from('<H', data, pos)[0]
        strings[bit] = data[pos + 2:pos + 2 + 2 * count].decode('utf-16-le')
        pos += 2 + 2 * count
print(hex(flags), target, strings.get(0x10, ''), sep='\n')
EOF
}
# Windows Installer puts a per-machine shortcut into the all-users Start menu; Wine's puts it into
# the user's (its ProgramMenuFolder ignores ALLUSERS).
shortcuts() { find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" -name "$product.lnk" 2>/dev/null; }
shortcut_is() {
  local links
  links=$(shortcuts)
  [ "$(wc -l <<<"$links")" = 1 ] && [ -n "$links" ] || { echo "shortcuts: '$links'"; return 1; }
  local lines
  mapfile -t lines < <(read_shortcut "$links")
  (( (lines[0] & 0x1000) == 0 )) || { echo "advertised (flags ${lines[0]})"; return 1; }
  is "${lines[1]}" "$1\\TolvexDesktopWin.exe" && is "${lines[2]%\\}" "$1"
}

new_prefix() {
  export WINEPREFIX=$1
  printf '@start /wait msiexec %%*\r\n@echo exit=%%ERRORLEVEL%%\r\n' > "$WINEPREFIX/drive_c/msiexec-code.bat"
  wineserver -p
}
wineboot_prefix=$run/fresh
WINEPREFIX=$wineboot_prefix wineboot -i >/dev/null 2>&1
WINEPREFIX=$wineboot_prefix wineserver -w
cp -a "$wineboot_prefix" "$run/x86"
start_display "$run"
new_prefix "$wineboot_prefix"

appdir='C:\Program Files\Tolvex Computer\Tolvex Cell VPN Manager'
unix_appdir="$WINEPREFIX/drive_c/Program Files/Tolvex Computer/Tolvex Cell VPN Manager"
phonebook="$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Tolvex Computer/TolvexPhoneBook.pbk"
mkdir -p "$(dirname "$phonebook")"
cp "$root/tests/e2e/standins/TolvexPhoneBook.pbk" "$phonebook"

echo "== an older system"
wine reg add 'HKCU\Software\Wine\AppDefaults\msiexec.exe' /v Version /d winxp /f >/dev/null
code=$(msiexec /i "$(msi_path "$x64")" /qn /l*v 'C:\older.log')
check "refused on Windows XP (exit $code)" is "$code" 1603
check "by the launch condition, Windows reporting 5.1" refused_by_launch_condition older.log 'VersionNT = 501'
check "nothing installed" test ! -e "$unix_appdir"
wine reg delete 'HKCU\Software\Wine\AppDefaults\msiexec.exe' /f >/dev/null

echo "== x64: a silent install"
check "no IPsec values before" is "$(value "$rule_key" $rule)$(value "$mtu_key" TunnelMTU)" ""
code=$(msiexec /i "$(msi_path "$x64")" /qn)
check "exit 3010: values changed, a restart is due (exit $code)" is "$code" 3010
for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
  check "$exe installed, stripped" no_debug_sections x86_64-w64-mingw32-objdump "$unix_appdir/$exe"
  check "$exe: ASLR, high entropy, NX, known libraries only" hardened x86_64-w64-mingw32-objdump "$unix_appdir/$exe" \
    DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT
done
check "Start menu shortcut: plain, to the program, working in its folder" shortcut_is "$appdir"
check "starts with Windows" is "$(value "$run_key" "$product")" "REG_SZ \"$appdir\\TolvexDesktopWin.exe\""
old_code=$(registrations | cut -d' ' -f1)
check "registered as 1.0.0.8" is "$(registrations | cut -d' ' -f2)" 1.0.0.8
check "publisher" is "$(value "$uninstall_key\\$old_code" Publisher)" "REG_SZ Tolvex Computer Inc.,Ltd"
check "the program's icon" cmp "$WINEPREFIX/drive_c/windows/Installer/$old_code/TolvexDesktopWin.ico" "$root/ui/resources/res/TolvexDesktopWin.ico"
check "IPsec rule 2, TunnelMTU 1400" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
check "the installed program starts without the registry message" \
  env TOLVEX_APP="$appdir\\TolvexDesktopWin.exe" wine "$driver" --gtest_filter='Installed.*'

echo "== x64: upgrade, downgrade"
# The upgrade's files carry the same file version as the installed ones: an in-place update
# would keep a changed installed copy, removing the old product first does not.
cp "$build/windows-x64/TolvexDesktopWin.exe" "$unix_appdir/"
check "a 1.0.1.8 package builds" "$root/installer/build_package.sh" x64 "$build/windows-x64" "$run/newer" 1.0.1.8
code=$(msiexec /i "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "1.0.1.8 upgrades, no restart due (exit $code)" is "$code" 0
check "one registration, 1.0.1.8" is "$(registrations | cut -d' ' -f2)" 1.0.1.8
check "the 1.0.0.8 product is gone" no_key "$uninstall_key\\$old_code"
check "the programs replaced" cmp "$unix_appdir/TolvexDesktopWin.exe" "$run/newer/stage-x64/TolvexDesktopWin.exe"
check "still starts with Windows" is "$(value "$run_key" "$product")" "REG_SZ \"$appdir\\TolvexDesktopWin.exe\""
code=$(msiexec /i "$(msi_path "$x64")" /qn /l*v 'C:\downgrade.log')
check "1.0.0.8 refused over 1.0.1.8 (exit $code)" is "$code" 1603
check "by the launch condition, the newer product found" refused_by_launch_condition downgrade.log 'WIX_DOWNGRADE_DETECTED = {'
check "1.0.1.8 stays" is "$(registrations | cut -d' ' -f2)" 1.0.1.8

echo "== x64: uninstall"
code=$(msiexec /x "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "uninstalled (exit $code)" is "$code" 0
check "no program folder, no maker folder" test ! -e "$(dirname "$unix_appdir")"
check "no shortcut" test -z "$(shortcuts)"
check "no Run value" no_value "$run_key" "$product"
check "no remembered choice" no_key 'HKLM\SOFTWARE\Tolvex Computer'
check "no registration" test -z "$(registrations)"
check "IPsec values stay" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
check "the phonebook stays" cmp "$phonebook" "$root/tests/e2e/standins/TolvexPhoneBook.pbk"

echo "== x64: off at start, an existing TunnelMTU"
wine reg add "$mtu_key" /v TunnelMTU /t REG_DWORD /d 1300 /f >/dev/null
code=$(msiexec /i "$(msi_path "$x64")" /qn STARTWITHWINDOWS=0)
check "installed, no restart due: nothing changed (exit $code)" is "$code" 0
check "TunnelMTU 1300 kept" is "$(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x514"
check "STARTWITHWINDOWS=0: no Run value" no_value "$run_key" "$product"
code=$(msiexec /i "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "upgraded without the property (exit $code)" is "$code" 0
check "still no Run value" no_value "$run_key" "$product"
end_session

echo "== x86, in a fresh prefix"
new_prefix "$run/x86"
unix_appdir="$WINEPREFIX/drive_c/Program Files (x86)/Tolvex Computer/Tolvex Cell VPN Manager"
code=$(msiexec /i "$(msi_path "$x86")" /qn)
check "installed (exit $code)" is "$code" 3010
for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
  check "$exe in Program Files (x86), stripped" no_debug_sections i686-w64-mingw32-objdump "$unix_appdir/$exe"
  check "$exe: ASLR, NX, known libraries only" hardened i686-w64-mingw32-objdump "$unix_appdir/$exe" DYNAMIC_BASE NX_COMPAT
done
check "starts with Windows (32-bit view)" is "$(value "$run_key" "$product" /reg:32)" \
  "REG_SZ \"C:\\Program Files (x86)\\Tolvex Computer\\Tolvex Cell VPN Manager\\TolvexDesktopWin.exe\""
check "IPsec values in the shared SYSTEM keys" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
check "registered as 1.0.0.8 (32-bit view)" is "$(registrations /reg:32 | cut -d' ' -f2)" 1.0.0.8
code=$(msiexec /x "$(msi_path "$x86")" /qn)
check "uninstalled (exit $code)" is "$code" 0
check "no program folder, no shortcut" test ! -e "$(dirname "$unix_appdir")" -a -z "$(shortcuts)"
check "no Run value" no_value "$run_key" "$product" /reg:32
check "no remembered choice" no_key 'HKLM\SOFTWARE\Tolvex Computer' /reg:32
check "no registration" test -z "$(registrations /reg:32)"
check "IPsec values stay" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
