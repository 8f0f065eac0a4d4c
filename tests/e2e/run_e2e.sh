#!/usr/bin/env bash
# Runs the end-to-end scenarios against the real program under Wine, in a virtual X display, a
# private network namespace and a private Wine prefix made from a prepared template.
#   run_e2e.sh BUILD_DIR [SCREENSHOT_DIR]
# E2E_FILTER (a GoogleTest filter, default all) picks scenarios, e.g. E2E_FILTER='Refresh.*';
# E2E_ALSO_DISABLED=1 runs the disabled ones too.
#
# Each scenario runs in a Wine session of its own (a new wineserver, with the links and the
# scenarios' shared folder cleared in between): Wine lists every adapter it has seen until its
# session ends, so a link one scenario made would look up to every later one.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_session.sh"
enter_private_network required "$0" "$@"

build=$(realpath "$1")
shots=${2:-$build/e2e/screenshots}
template=$build/e2e/prefix-template
driver=$build/e2e/e2e_driver.exe
filter=${E2E_FILTER:-*}

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

prepare_template "$template"
run=$(mktemp -d /tmp/tolvex-e2e.XXXXXX)
trap 'end_session; rm -rf "$run"' EXIT
trap 'exit 143' TERM INT
start_session "$template" "$run" "$build/TolvexDesktopWin.exe"

mkdir -p "$shots"
export TOLVEX_SCREENSHOTS="Z:${shots//\//\\}"

# The scenarios the filter picks, one "Suite.Name" a line, disabled ones left out unless asked for.
disabled=DISABLED_
[ "${E2E_ALSO_DISABLED:-0}" = 1 ] && disabled='^$'
list_scenarios() {
  wine "$driver" --gtest_list_tests --gtest_filter="$1" 2>/dev/null | tr -d '\r' |
    awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }' | grep -v "$disabled" || true
}

# What a scenario may leave behind for the next: links, the scenarios' shared folder, the
# phonebook folder.
clear_sandbox() {
  remove_links
  rm -rf "$WINEPREFIX/drive_c/tolvex-e2e/"* "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/"Tolvex Computer"
}

passed=0
failed=0
failures=()
# run_pass SCENARIOS [VAR=VALUE...]: each scenario in its own Wine session.
run_pass() {
  local scenarios=$1 scenario started
  shift
  for scenario in $scenarios; do
    clear_sandbox
    wineserver -p
    started=$(date +%s)
    if env "$@" wine "$driver" --gtest_also_run_disabled_tests --gtest_filter="$scenario" >"$run/scenario.log" 2>&1; then
      passed=$((passed + 1))
      echo "ok      $scenario ($(( $(date +%s) - started )) s)"
    else
      failed=$((failed + 1))
      failures+=("$scenario")
      echo "FAILED  $scenario"
      sed 's/^/        /' "$run/scenario.log"
    fi
    end_wine
  done
}

all=$(list_scenarios "$filter")
end_wine
echo "== English user interface"
run_pass "$(grep -v '^Japanese' <<<"$all" || true)"
echo "== Japanese user interface (suites named Japanese*)"
run_pass "$(grep '^Japanese' <<<"$all" || true)" LANG=ja_JP.UTF-8

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "screenshots: $shots"
for scenario in "${failures[@]}"; do echo "failed: $scenario"; done
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
