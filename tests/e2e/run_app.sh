#!/usr/bin/env bash
# `make run`: the program in the same Wine sandbox the end-to-end tests use, in a private network
# namespace where it can be made (as root), so that Connect brings a real point-to-point link up
# through the stand-in dialer. With a display it runs until you quit it; without one it runs in a
# virtual display and leaves a screenshot.
#   run_app.sh BUILD_DIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
enter_private_network optional "$0" "$@"

build=$(realpath "$1")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
headless=0
[ -n "${DISPLAY:-}" ] || headless=1

prepare_template "$build/e2e/prefix-template"
run=$(mktemp -d /tmp/tolvex-run.XXXXXX)
trap 'end_session; rm -rf "$run"' EXIT
trap 'exit 143' TERM INT
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
