# Shared by the end-to-end run and `make run`: a Wine prefix with a virtual desktop, the
# program installed into it, and a virtual X display when there is no real one.

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
# prefix copy (never into the template): the dialer tool replaces whatever system32 holds.
install_standins() {
  local prefix=$1 dir=$2
  if [ ! -f "$dir/rasphone.exe" ]; then
    echo "missing $dir/rasphone.exe: build the windows-x64 preset first" >&2
    return 1
  fi
  cp -f "$dir/rasphone.exe" "$prefix/drive_c/windows/system32/rasphone.exe"
}

# start_session TEMPLATE RUN_DIR EXE: copies the template, installs the program and the
# stand-ins built beside it (EXE's folder/e2e), and starts the display (Xvfb unless DISPLAY is
# set) and a persistent wineserver.
start_session() {
  local template=$1 run=$2 exe=$3
  cp -a "$template" "$run/prefix"
  export WINEPREFIX=$run/prefix
  local appdir="$WINEPREFIX/drive_c/Program Files/Tolvex"
  mkdir -p "$appdir"
  cp "$exe" "$appdir/"
  install_standins "$WINEPREFIX" "$(dirname "$exe")/e2e"
  if [ -z "${DISPLAY:-}" ]; then
    exec 9> "$run/displayfd"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local n=0
    until [ -s "$run/displayfd" ] || [ $n -ge 100 ]; do sleep 0.1; n=$((n + 1)); done
    export DISPLAY=":$(head -n1 "$run/displayfd")"
  fi
  wineserver -p
}

end_session() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}
