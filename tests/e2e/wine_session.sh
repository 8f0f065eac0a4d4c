# Shared by the end-to-end run and `make run`: a Wine prefix with a virtual desktop, the
# program installed into it, and a virtual X display when there is no real one.

TOLVEX_E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Bump when prepare_template changes, so that templates made before are made again.
TEMPLATE_VERSION=3

# The system's fonts for captions, menus, message boxes and status lines as LOGFONTW in reg.exe
# hex: "MS Shell Dlg", 8 points, the given weight (4 hex digits), any character set. Wine's own
# defaults ask for the Western set, which has no Japanese glyphs: message boxes and menus of the
# Japanese user interface then show boxes where the dialog, whose font asks for any set, shows
# text.
ui_font() {
  local height=f5ffffff width_escapement_orientation=000000000000000000000000
  local italic_underline_strikeout=000000 charset=01 precision_quality=000000 pitch=22
  local face=4d0053002000530068006500 face_end=6c006c00200044006c006700
  printf '%s%s%s%s%s%s%s%s%s%080d' $height $width_escapement_orientation "$1" $italic_underline_strikeout \
    $charset $precision_quality $pitch $face $face_end 0
}

# A prefix made once per build folder; copying it is much faster than making a new one.
prepare_template() {
  local template=$1
  [ "$(cat "$template/.ready" 2>/dev/null)" = "$TEMPLATE_VERSION" ] && return 0
  rm -rf "$template"
  mkdir -p "$(dirname "$template")"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  local metrics='HKCU\Control Panel\Desktop\WindowMetrics' name weight
  for name in CaptionFont:bc02 SmCaptionFont:9001 MenuFont:9001 MessageFont:9001 StatusFont:9001 IconFont:9001; do
    weight=${name#*:}
    WINEPREFIX=$template wine reg add "$metrics" /v "${name%:*}" /t REG_BINARY /d "$(ui_font "${weight}0000")" /f >/dev/null 2>&1
  done
  # The IPsec values in place, as on a machine the registry tool has prepared: scenarios about
  # them change them, the others start without the registry message.
  local services='HKLM\SYSTEM\CurrentControlSet\Services' rule=AssumeUDPEncapsulationContextOnSendRule
  WINEPREFIX=$template wine reg add "$services\PolicyAgent" /v $rule /t REG_DWORD /d 2 /f >/dev/null 2>&1
  WINEPREFIX=$template wine reg add "$services\IPsec" /v $rule /t REG_DWORD /d 2 /f >/dev/null 2>&1
  WINEPREFIX=$template wine reg add "$services\NdisWan\Parameters\Protocols\0" /v TunnelMTU /t REG_DWORD /d 1400 /f >/dev/null 2>&1
  WINEPREFIX=$template wineserver -w
  # Without Marlett the caption buttons draw as letters.
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/"
  echo "$TEMPLATE_VERSION" > "$template/.ready"
}

# install_standins PREFIX STANDIN_DIR: puts the stand-ins for what belongs to Windows into a
# prefix copy (never into the template): the dialer tool replaces whatever system32 holds; the
# registry tool goes beside the program, its planted twin into C:\tolvex-planted (a folder the
# scenarios start the program in), and the test-only IP helper beside the program, where only
# an override in the scenario's registry makes the program load it.
install_standins() {
  local prefix=$1 dir=$2 file
  for file in rasphone.exe "Tolvex Regset.exe" "planted/Tolvex Regset.exe" iphlpapi.dll; do
    if [ ! -f "$dir/$file" ]; then
      echo "missing $dir/$file: build the windows-x64 preset first" >&2
      return 1
    fi
  done
  local appdir="$prefix/drive_c/Program Files/Tolvex"
  cp -f "$dir/rasphone.exe" "$dir/iphlpapi.dll" "$prefix/drive_c/windows/system32/"
  cp -f "$dir/Tolvex Regset.exe" "$appdir/"
  mkdir -p "$prefix/drive_c/tolvex-planted"
  cp -f "$dir/planted/Tolvex Regset.exe" "$prefix/drive_c/tolvex-planted/"
}

# The whole session (wineserver, every Wine process, the link daemon) runs in a private network
# namespace: the links the stand-in dialer makes are real network devices, which must neither
# touch the machine's own network nor be mixed up with its adapters. Xvfb may run anywhere.
#   enter_private_network required|optional SCRIPT ARGS...
# re-runs SCRIPT inside a new namespace unless already inside. "optional" carries on outside
# (with a warning) where no namespace can be made; "required" stops with a message.
enter_private_network() {
  local need=$1
  shift
  [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ] && { ip link set lo up; return 0; }
  if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
    exec unshare -n env TOLVEX_PRIVATE_NETWORK=1 bash "$@"
  fi
  if [ "$need" = required ]; then
    echo "The end-to-end run needs a private network namespace (unshare -n) for its links: run it as root." >&2
    exit 1
  fi
  echo "warning: no private network namespace (needs root): Connect will find no link." >&2
  TOLVEX_PRIVATE_NETWORK=0
}

# start_link_daemon FOLDER: the Linux half of the stand-in dialer, in the private namespace only.
start_link_daemon() {
  [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ] || return 0
  python3 "$TOLVEX_E2E_DIR/standins/linkd.py" "$1" &
  LINKD_PID=$!
}

stop_link_daemon() {
  if [ -n "${LINKD_PID:-}" ]; then
    kill "$LINKD_PID" 2>/dev/null || true
    wait "$LINKD_PID" 2>/dev/null || true
  fi
  LINKD_PID=
}

# Deletes every link the daemon made. Only inside the private namespace, where nothing but the
# loopback device and those links exist.
remove_links() {
  [ "${TOLVEX_PRIVATE_NETWORK:-}" = 1 ] || return 0
  local device
  # Listed by ip, which looks at the namespace itself (/sys/class/net shows the one sysfs was
  # mounted in).
  for device in $(ip -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }'); do
    [ "$device" = lo ] || ip link delete "$device" 2>/dev/null || true
  done
}

# start_display RUN_DIR: a virtual X display (Xvfb) unless DISPLAY is set.
start_display() {
  local run=$1
  [ -z "${DISPLAY:-}" ] || return 0
  exec 9> "$run/displayfd"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local n=0
  until [ -s "$run/displayfd" ] || [ $n -ge 100 ]; do sleep 0.1; n=$((n + 1)); done
  export DISPLAY=":$(head -n1 "$run/displayfd")"
}

# start_session TEMPLATE RUN_DIR EXE: copies the template, installs the program and the
# stand-ins built beside it (EXE's folder/e2e), starts the display (Xvfb unless DISPLAY is set),
# the link daemon and a persistent wineserver.
start_session() {
  local template=$1 run=$2 exe=$3
  cp -a "$template" "$run/prefix"
  export WINEPREFIX=$run/prefix
  local appdir="$WINEPREFIX/drive_c/Program Files/Tolvex"
  mkdir -p "$appdir" "$WINEPREFIX/drive_c/tolvex-e2e"
  cp "$exe" "$appdir/"
  install_standins "$WINEPREFIX" "$(dirname "$exe")/e2e"
  start_display "$run"
  start_link_daemon "$WINEPREFIX/drive_c/tolvex-e2e"
  wineserver -p
}

# Ends every Wine process of the session and the wineserver, and waits for their end. Wine keeps
# every adapter it has once seen listed until its session ends: a scenario that needs a fresh
# adapter list needs a fresh Wine session.
end_wine() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

end_session() {
  set +e
  end_wine
  stop_link_daemon
  remove_links
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  return 0
}
