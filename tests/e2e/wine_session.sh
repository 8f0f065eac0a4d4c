# Shared by the end-to-end run and `make run`: a Wine prefix with a virtual desktop, the
# program installed into it, and a virtual X display when there is no real one.

# A prefix made once per build folder; copying it is much faster than making a new one.
prepare_template() {
  local template=$1
  [ -f "$template/.ready" ] && return 0
  rm -rf "$template"
  mkdir -p "$(dirname "$template")"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  WINEPREFIX=$template wineserver -w
  # Without Marlett the caption buttons draw as letters.
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/"
  touch "$template/.ready"
}

# start_session TEMPLATE RUN_DIR EXE: copies the template, installs the program and starts
# the display (Xvfb unless DISPLAY is set) and a persistent wineserver.
start_session() {
  local template=$1 run=$2 exe=$3
  cp -a "$template" "$run/prefix"
  export WINEPREFIX=$run/prefix
  local appdir="$WINEPREFIX/drive_c/Program Files/Tolvex"
  mkdir -p "$appdir"
  cp "$exe" "$appdir/"
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
