# The Wine sandbox shared by the end-to-end tours, the installer tests and `make run`: a prefix
# with a virtual desktop, the program and the stand-ins installed into it, a virtual X display
# when there is no real one, and a private network namespace for real links.

TOLVEX_E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Bump when prepare_template changes, so that templates made before are made again.
TEMPLATE_VERSION=4

# The system's fonts for captions, menus and boxes as LOGFONTW in reg.exe hex: "MS Shell Dlg",
# 8 points, the given weight, any character set. Wine's defaults ask for the Western set, whose
# boxes and menus show no Japanese glyphs.
ui_font() {
  printf 'f5ffffff%024d%s%06d01000000224d0053002000530068006500%s%080d' 0 "$1" 0 6c006c00200044006c006700 0
}

# A prefix made once per build folder (copying it is much faster than making one), with the IPsec
# values in place as on a prepared machine: the tours about them remove them.
prepare_template() {
  local template=$1 name weight
  [ "$(cat "$template/.ready" 2>/dev/null)" = "$TEMPLATE_VERSION" ] && return 0
  rm -rf "$template"
  mkdir -p "$(dirname "$template")"
  export WINEPREFIX=$template
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  for name in CaptionFont:bc02 SmCaptionFont:9001 MenuFont:9001 MessageFont:9001 StatusFont:9001 IconFont:9001; do
    weight=${name#*:}
    wine reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v "${name%:*}" /t REG_BINARY /d "$(ui_font "${weight}0000")" /f >/dev/null 2>&1
  done
  local services='HKLM\SYSTEM\CurrentControlSet\Services' rule=AssumeUDPEncapsulationContextOnSendRule
  wine reg add "$services\PolicyAgent" /v $rule /t REG_DWORD /d 2 /f >/dev/null 2>&1
  wine reg add "$services\NdisWan\Parameters\Protocols\0" /v TunnelMTU /t REG_DWORD /d 1400 /f >/dev/null 2>&1
  wineserver -w
  # Without Marlett the caption buttons draw as letters.
  cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/" 2>/dev/null || true
  echo "$TEMPLATE_VERSION" > "$template/.ready"
  unset WINEPREFIX
}

# The whole session runs in a private network namespace: the stand-in dialer's links are real
# devices that must not touch the machine's own network.
#   enter_private_network required|optional SCRIPT ARGS... re-runs SCRIPT inside one.
enter_private_network() {
  local need=$1
  shift
  [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ] && { ip link set lo up; return 0; }
  if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    exec unshare -n env TOLVEX_PRIVATE_NETWORK=1 bash "$@"
  fi
  [ "$need" = required ] && { echo "The end-to-end run needs a private network namespace (unshare -n): run it as root." >&2; exit 1; }
  echo "warning: no private network namespace (needs root): Connect will find no link." >&2
}

# start_display RUN_DIR: a virtual X display unless DISPLAY is set.
start_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  exec 9> "$1/displayfd"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$1/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local n=0
  until [ -s "$1/displayfd" ] || [ $n -ge 100 ]; do sleep 0.1; n=$((n + 1)); done
  export DISPLAY=":$(head -n1 "$1/displayfd")"
}

stop_display() { [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true; }

# start_session TEMPLATE RUN_DIR EXE [SCREENSHOTS]: a copy of the template with the program and
# its registry tool in C:\Program Files\Tolvex, the dialer in the system directory, a file of the
# registry tool's name (a stand-in dialer, which logs any start) planted in C:\tolvex-planted, the
# dialer's sample phonebook in C:\tolvex-e2e; then the display, the session's helper (network
# links, screenshots, symbolic links) and a persistent wineserver.
start_session() {
  local template=$1 run=$2 exe=$3 shots=${4:-} standins
  standins=$(dirname "$exe")/e2e
  mkdir -p "$run"
  cp -a "$template" "$run/prefix"
  export WINEPREFIX=$run/prefix
  local c=$WINEPREFIX/drive_c
  mkdir -p "$c/Program Files/Tolvex" "$c/tolvex-e2e" "$c/tolvex-planted"
  cp "$exe" "$(dirname "$exe")/Tolvex Regset.exe" "$c/Program Files/Tolvex/"
  cp "$standins/rasphone.exe" "$c/windows/system32/"
  cp "$standins/rasphone.exe" "$c/tolvex-planted/Tolvex Regset.exe"
  cp "$TOLVEX_E2E_DIR/standins/TolvexPhoneBook.pbk" "$c/tolvex-e2e/"
  start_display "$run"
  if [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ]; then
    python3 "$TOLVEX_E2E_DIR/standins/hostd.py" "$c/tolvex-e2e" "$shots" &
    HOSTD_PID=$!
  fi
  wineserver -p
}

# Ends every Wine process and the wineserver: Wine keeps every adapter it has once seen listed
# until then. Then the helper and its links.
end_session() {
  [ -z "${WINEPREFIX:-}" ] || { wineserver -k; wineserver -w; } 2>/dev/null || true
  [ -z "${HOSTD_PID:-}" ] || { kill "$HOSTD_PID"; wait "$HOSTD_PID"; } 2>/dev/null || true
  HOSTD_PID=
  [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ] || return 0
  local device
  for device in $(ip -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }'); do
    [ "$device" = lo ] || ip link delete "$device" 2>/dev/null || true
  done
}
