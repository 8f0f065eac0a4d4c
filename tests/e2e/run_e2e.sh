#!/usr/bin/env bash
# Runs the end-to-end tours against the real program under Wine, in a virtual X display, a
# private network namespace and a private Wine prefix copied from a prepared template:
#   run_e2e.sh BUILD_DIR [SCREENSHOT_DIR]
# One Wine session per language: the English tours, then the Japanese one with LANG=ja_JP.UTF-8.
# E2E_TOURS picks tours by name within each session (a GoogleTest pattern, e.g. 'D_*').
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
enter_private_network required "$0" "$@"

build=$(realpath "$1")
shots=${2:-$build/e2e/screenshots}
# No debugger: a program that crashes ends at once instead of waiting in winedbg. A native copy of
# the adapter list's library is preferred wherever one is found: the planted one is, should the
# program ever look beside itself.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;iphlpapi=n,b"
unset DISPLAY
prepare_template "$build/e2e/prefix-template"
run=$(mktemp -d /tmp/tolvex-e2e.XXXXXX)
trap 'end_session; stop_display; rm -rf "$run"' EXIT
trap 'exit 143' TERM INT
mkdir -p "$shots"

failed=0
for suite in English Japanese; do
  echo "== $suite"
  start_session "$build/e2e/prefix-template" "$run/$suite" "$build/TolvexDesktopWin.exe" "$shots"
  cp "$build/e2e/planted/iphlpapi.dll" "$WINEPREFIX/drive_c/Program Files/Tolvex/"
  language=C.UTF-8
  [ $suite = Japanese ] && language=ja_JP.UTF-8
  LANG=$language wine "$build/e2e/e2e_driver.exe" --gtest_filter="$suite.${E2E_TOURS:-*}" >"$run/$suite.log" 2>&1 ||
    failed=$((failed + 1))
  tr -d '\r' <"$run/$suite.log" | grep -v -E '^\[ +(RUN|OK) ' || true
  end_session
done

echo "screenshots: $shots"
[ $failed -eq 0 ]
