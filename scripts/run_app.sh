#!/usr/bin/env bash
# `make run`: the program in the Wine sandbox of the end-to-end tours, in a private network
# namespace where it can be made (as root), so that Connect brings a real point-to-point link up
# through the stand-in dialer. With a display it runs until you quit it; without one it runs in a
# virtual display for a few seconds and leaves a screenshot.
#   run_app.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/wine_session.sh"
enter_private_network optional "$0" "$@"

build=$(realpath "$1")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
headless=0
[ -n "${DISPLAY:-}" ] || headless=1
prepare_template "$build/e2e/prefix-template"
run=$(mktemp -d /tmp/tolvex-run.XXXXXX)
trap 'end_session; stop_display; rm -rf "$run"' EXIT
trap 'exit 143' TERM INT
start_session "$build/e2e/prefix-template" "$run" "$build/TolvexDesktopWin.exe"

app='C:\Program Files\Tolvex\TolvexDesktopWin.exe'
if [ $headless -eq 0 ]; then
  wine "$app"
  exit 0
fi
wine "$app" &
sleep 5
import -window root "$build/run-screenshot.png"
echo "No display: the program ran in a virtual display; screenshot saved to $build/run-screenshot.png"
