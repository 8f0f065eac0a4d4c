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

passed=0 failed=0
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
choice_key='HKLM\SOFTWARE\Tolvex Computer\Tolvex Cell VPN Manager'
product='Tolvex Cell VPN Manager'
# "TYPE DATA" of a value, or nothing. Extra arguments (/reg:32) pick the registry view.
value() { wine reg query "$1" /v "$2" "${@:3}" 2>/dev/null | tr -d '\r' | awk -F'    ' -v n="$2" '$2 == n { print $3 " " $4 }'; }
is() { [ "$1" = "$2" ] || { echo "expected '$2', found '$1'"; return 1; }; }
# A key in neither registry view.
no_key() { local view; for view in 64 32; do ! wine reg query "$1" /reg:$view >/dev/null 2>&1 || { echo "$1 is there"; return 1; }; done; }
# msiexec's exit code whole: Unix keeps only its low byte (3010 would read 194).
msiexec() { { wine cmd /c 'C:\msiexec-code.bat' "$@" 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^exit=//p'; }
msi_path() { echo "Z:${1//\//\\}"; }
# The registrations of the product in both registry views, one "view code version" a line, from
# the Uninstall key's entries; its Run values, one "view type data" a line.
registrations() {
  local view key
  for view in 64 32; do
    for key in $(wine reg query "$uninstall_key" /reg:$view 2>/dev/null | tr -d '\r' | grep -o '{[0-9A-F-]*}$'); do
      [ "$(value "$uninstall_key\\$key" DisplayName /reg:$view)" = "REG_SZ $product" ] &&
        echo "$view $key $(value "$uninstall_key\\$key" DisplayVersion /reg:$view | cut -d' ' -f2)"
    done
  done
  return 0
}
run_values() { local view; for view in 64 32; do value "$run_key" "$product" /reg:$view | sed "s/^/$view /"; done; }
program_folders() { ls -d "$WINEPREFIX/drive_c/Program Files"*/"Tolvex Computer" 2>/dev/null || true; }
# Wine's msiexec logs no launch condition's message in quiet mode: the log shows the action
# failing and the property that made it fail.
refused_by_launch_condition() {
  grep -aq 'LaunchConditions. Return value 0' "$WINEPREFIX/drive_c/$1" && grep -aq "$2" "$WINEPREFIX/drive_c/$1"
}
# No debug sections, the loader's protections, the stack protector's runtime (linked in only when
# a function checks its canary), and no library in the import table beyond the system's known
# ones and the side-by-side common controls.
hardened() {
  local headers
  ! "$1" -h "$2" | grep ' \.debug' || return 1
  headers=$("$1" -p "$2")
  for flag in "${@:3}"; do grep -q "$flag" <<<"$headers" || { echo "no $flag"; return 1; }; done
  grep -q 'stack smashing detected' "$2" || { echo "no stack protector"; return 1; }
  ! grep -i 'DLL Name' <<<"$headers" | grep -v -i -E 'KERNEL32|USER32|ADVAPI32|SHELL32|WS2_32|msvcrt|COMCTL32'
}
# Windows Installer puts a per-machine shortcut into the all-users Start menu; Wine's puts it into
# the user's (its ProgramMenuFolder ignores ALLUSERS).
shortcuts() { find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" -name "$product.lnk" 2>/dev/null; }
one_shortcut() { is "$(shortcuts | wc -l)" 1; }
# The shortcut as a package declares it: where, its target (a file: not advertised), its folder.
shortcut_row() { msiinfo export "$1" Shortcut | awk -F'\t' '$1 == "StartMenuShortcut" { print $2, $5, $12 }'; }
# After a removal nothing of the product is left but the IPsec values.
removed() {
  check "no program folder, no maker folder" is "$(program_folders)" ""
  check "no shortcut" test -z "$(shortcuts)"
  check "no Run value" is "$(run_values)" ""
  check "no remembered choice" no_key 'HKLM\SOFTWARE\Tolvex Computer'
  check "no registration" test -z "$(registrations)"
  check "IPsec values stay" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
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
  check "$exe installed: stripped, ASLR, high entropy, NX, stack protector, known libraries only" \
    hardened x86_64-w64-mingw32-objdump "$unix_appdir/$exe" DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT
done
row='ProgramMenuFolder [#TolvexDesktopWin.exe] INSTALLDIR'
check "both packages: a plain Start menu shortcut to the program, working in its folder" \
  is "$(shortcut_row "$x64") | $(shortcut_row "$x86")" "$row | $row"
check "starts with Windows" is "$(run_values)" "64 REG_SZ \"$appdir\\TolvexDesktopWin.exe\""
product_code=$(registrations | cut -d' ' -f2)
check "registered as 1.0.8" is "$(registrations | cut -d' ' -f1,3)" "64 1.0.8"
check "publisher" is "$(value "$uninstall_key\\$product_code" Publisher)" "REG_SZ Tolvex Computer Inc.,Ltd"
check "the program's icon" cmp "$WINEPREFIX/drive_c/windows/Installer/$product_code/TolvexDesktopWin.ico" "$root/ui/resources/res/TolvexDesktopWin.ico"
check "IPsec rule 2, TunnelMTU 1400" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
check "the installed program starts without the registry message" \
  env TOLVEX_APP="$appdir\\TolvexDesktopWin.exe" wine "$driver" --gtest_filter='Installed.*'

echo "== x64: upgrade, downgrade"
# The upgrade's files carry the same file version as the installed ones: an in-place update
# would keep a changed installed copy, removing the old product first does not.
echo changed >> "$unix_appdir/TolvexDesktopWin.exe"
check "a 1.0.1.8 package builds" "$root/installer/build_package.sh" x64 "$build/windows-x64" "$run/newer" 1.0.1.8
code=$(msiexec /i "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "1.0.1.8 upgrades, no restart due (exit $code)" is "$code" 0
check "one registration, 1.0.1008" is "$(registrations | cut -d' ' -f3)" 1.0.1008
check "the programs replaced" cmp "$unix_appdir/TolvexDesktopWin.exe" "$run/newer/stage-x64/TolvexDesktopWin.exe"
check "still starts with Windows" is "$(run_values)" "64 REG_SZ \"$appdir\\TolvexDesktopWin.exe\""
code=$(msiexec /i "$(msi_path "$x64")" /qn /l*v 'C:\downgrade.log')
check "1.0.0.8 refused over 1.0.1.8 (exit $code)" is "$code" 1603
check "by the launch condition, the newer product found" refused_by_launch_condition downgrade.log 'WIX_DOWNGRADE_DETECTED = {'
check "1.0.1.8 stays" is "$(registrations | cut -d' ' -f3)" 1.0.1008

echo "== x64: uninstall"
code=$(msiexec /x "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "uninstalled (exit $code)" is "$code" 0
removed
check "the phonebook stays" cmp "$phonebook" "$root/tests/e2e/standins/TolvexPhoneBook.pbk"

echo "== x64: off at start, an existing TunnelMTU"
wine reg add "$mtu_key" /v TunnelMTU /t REG_DWORD /d 1300 /f >/dev/null
# Earlier x64 packages kept the choice in the 64-bit view: a 1.0.0.7 one made as they were.
older=$run/older/TolvexCellVpnManager-1.0.0.7-x64.msi
sed 's/Win64="no"/Win64="$(var.Win64)"/' "$root/installer/TolvexCellVpnManager.wxs" > "$run/older.wxs"
check "a 1.0.0.7 package of that layout builds" "$root/installer/build_package.sh" x64 "$build/windows-x64" "$run/older" 1.0.0.7 "$run/older.wxs"
code=$(msiexec /i "$(msi_path "$older")" /qn STARTWITHWINDOWS=0)
check "installed, no restart due: nothing changed (exit $code)" is "$code" 0
check "TunnelMTU 1300 kept" is "$(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x514"
check "STARTWITHWINDOWS=0: no Run value, the choice in the 64-bit view" is "$(run_values)|$(value "$choice_key" StartWithWindows /reg:64)" "|REG_SZ 0"
code=$(msiexec /i "$(msi_path "$x64")" /qn)
check "1.0.0.8 over it without the property (exit $code)" is "$code" 0
check "still no Run value, one registration" is "$(run_values)|$(registrations | cut -d' ' -f1,3)" "|64 1.0.8"
code=$(msiexec /i "$(msi_path "$older")" /qn)
check "1.0.0.7 refused over 1.0.0.8 as any older version, 1.0.0.8 stays (exit $code)" is "$code $(registrations | cut -d' ' -f3)" "1603 1.0.8"
code=$(msiexec /i "$(msi_path "$run/newer/TolvexCellVpnManager-1.0.1.8-x64.msi")" /qn)
check "upgraded without the property (exit $code)" is "$code" 0
check "still no Run value" is "$(run_values)" ""
end_session

echo "== x86, then x64 and x86 of the same version over each other, in a fresh prefix"
new_prefix "$run/x86"
appdir32='C:\Program Files (x86)\Tolvex Computer\Tolvex Cell VPN Manager'
code=$(msiexec /i "$(msi_path "$x86")" /qn)
check "installed (exit $code)" is "$code" 3010
for exe in TolvexDesktopWin.exe "Tolvex Regset.exe"; do
  exe=$(winepath -u "$appdir32\\$exe")
  check "${exe##*/} in Program Files (x86): stripped, ASLR, NX, 4 GiB, no exception handler, stack protector, known libraries only" \
    hardened i686-w64-mingw32-objdump "$exe" DYNAMIC_BASE NX_COMPAT 'large address aware' NO_SEH
  check "${exe##*/} registers no exception handler" test -z "$(i686-w64-mingw32-objdump -d "$exe" | grep '%fs:0x0$')"
done
check "starts with Windows (32-bit view)" is "$(run_values)" "32 REG_SZ \"$appdir32\\TolvexDesktopWin.exe\""
check "IPsec values in the shared SYSTEM keys" is "$(value "$rule_key" $rule) $(value "$mtu_key" TunnelMTU)" "REG_DWORD 0x2 REG_DWORD 0x578"
check "registered as 1.0.8 (32-bit view)" is "$(registrations | cut -d' ' -f1,3)" "32 1.0.8"
# Another build of 1.0.0.8, as another commit or toolchain makes: a byte differs past the image.
mkdir "$run/rebuilt" && cp "$build/windows-x64/"*.exe "$run/rebuilt/" && echo >> "$run/rebuilt/TolvexDesktopWin.exe"
check "another 1.0.0.8 x64 package builds" "$root/installer/build_package.sh" x64 "$run/rebuilt" "$run/rebuilt"
# over ARCH MSI on|off [PROPERTY...]: a 1.0.0.8 package over the installed one leaves one product, its own.
over() {
  local arch=$1 msi=$2 view=64 folder='Program Files' starts=""
  [ "$arch" = x64 ] || { view=32; folder='Program Files (x86)'; }
  [ "$3" = off ] || starts="$view REG_SZ \"C:\\$folder\\Tolvex Computer\\$product\\TolvexDesktopWin.exe\""
  code=$(msiexec /i "$(msi_path "$msi")" /qn "${@:4}")
  check "$(basename "$(dirname "$msi")")/${msi##*/}${4:+ $4} over it (exit $code)" is "$code" 0
  check "one registration, $view-bit" is "$(registrations | cut -d' ' -f1,3)" "$view 1.0.8"
  check "one program folder, in $folder" is "$(program_folders)" "$WINEPREFIX/drive_c/$folder/Tolvex Computer"
  check "the package's programs" cmp "$WINEPREFIX/drive_c/$folder/Tolvex Computer/$product/TolvexDesktopWin.exe" \
    "$(dirname "$msi")/stage-$arch/TolvexDesktopWin.exe"
  check "starts with Windows: $3" is "$(run_values)" "$starts"
  check "one shortcut" one_shortcut
}
over x64 "$x64" on
over x64 "$run/rebuilt/TolvexCellVpnManager-1.0.0.8-x64.msi" on
over x86 "$x86" off STARTWITHWINDOWS=0
# The choice outlives the change of architecture; the same package again changes nothing.
over x64 "$x64" off
over x64 "$x64" off
code=$(msiexec /x "$(msi_path "$x64")" /qn)
check "uninstalled (exit $code)" is "$code" 0
removed
# The x86 package over an earlier x64 one keeps the choice that one kept in the 64-bit view.
code=$(msiexec /i "$(msi_path "$older")" /qn STARTWITHWINDOWS=0)
check "${older##*/} STARTWITHWINDOWS=0 (exit $code)" is "$code" 0
over x86 "$x86" off

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
