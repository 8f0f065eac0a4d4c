#!/usr/bin/env bash
# Runs the end-to-end scenarios against the real program under Wine, in a virtual X display and
# a private Wine prefix made from a prepared template.
#   run_e2e.sh BUILD_DIR [SCREENSHOT_DIR]
set -euo pipefail

build=$(realpath "$1")
shots=${2:-$build/e2e/screenshots}
here=$(cd "$(dirname "$0")" && pwd)
template=$build/e2e/prefix-template

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

source "$here/wine_session.sh"

prepare_template "$template"
run=$(mktemp -d /tmp/tolvex-e2e.XXXXXX)
trap 'end_session; rm -rf "$run"' EXIT
start_session "$template" "$run" "$build/TolvexDesktopWin.exe"

mkdir -p "$shots"
export TOLVEX_SCREENSHOTS="Z:${shots//\//\\}"

status=0
echo "== English user interface"
wine "$build/e2e/e2e_driver.exe" --gtest_filter='-Japanese*' || status=1
echo "== Japanese user interface"
LANG=ja_JP.UTF-8 wine "$build/e2e/e2e_driver.exe" --gtest_filter='Japanese*' || status=1

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "screenshots: $shots"
exit $status
