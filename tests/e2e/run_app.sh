#!/usr/bin/env bash
# `make run`: the program in the same Wine sandbox the end-to-end tests use. With a display it
# runs until you quit it; without one it runs in a virtual display and leaves a screenshot.
#   run_app.sh BUILD_DIR
set -euo pipefail

build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
headless=0
[ -n "${DISPLAY:-}" ] || headless=1

source "$here/wine_session.sh"
prepare_template "$build/e2e/prefix-template"
run=$(mktemp -d /tmp/tolvex-run.XXXXXX)
trap 'end_session; rm -rf "$run"' EXIT
start_session "$build/e2e/prefix-template" "$run" "$build/TolvexDesktopWin.exe"

app="C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe"
if [ $headless -eq 0 ]; then
  wine "$app"
  exit 0
fi

wine "$app" &
sleep 4
export TOLVEX_SCREENSHOTS="Z:${build//\//\\}"
wine "$build/e2e/e2e_driver.exe" --gtest_also_run_disabled_tests --gtest_filter='Tools.DISABLED_SaveScreenshot' >/dev/null
convert "$build/run-screenshot.bmp" "$build/run-screenshot.png" && rm -f "$build/run-screenshot.bmp"
echo "No display: the program ran in a virtual display; screenshot saved to $build/run-screenshot.png"
