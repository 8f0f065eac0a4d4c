#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, one after the other, starting from the
# seeds in corpus/<target>/ and from what earlier runs found (kept in the build folder). Exits
# non-zero when a target fails; the input that made it fail is kept and its path printed.
#
#   bash tests/fuzz/run_fuzz.sh SECONDS BUILD_DIR      e.g. bash tests/fuzz/run_fuzz.sh 10 build/fuzz
set -uo pipefail

if [ $# -ne 2 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -lt 1 ]; then
  echo "usage: $0 SECONDS BUILD_DIR" >&2
  exit 2
fi
seconds=$1
build=$(cd "$2" && pwd) || exit 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$build/tests/fuzz/runs

shopt -s nullglob
targets=("$build"/tests/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/tests/fuzz: build them first (cmake --build $2 --target fuzzers)" >&2
  exit 2
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  corpus=$work/corpus/$name
  artifacts=$work/artifacts/$name
  rm -rf "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  args=(-max_total_time="$seconds" -timeout=20 -max_len=4096 -print_final_stats=1
        -artifact_prefix="$artifacts/")
  [ -f "$here/corpus/$name.dict" ] && args+=(-dict="$here/corpus/$name.dict")
  seeds=()
  [ -d "$here/corpus/$name" ] && seeds=("$here/corpus/$name")

  echo "== $name: ${seconds}s"
  log=$work/$name.log
  # New inputs go into the first folder (the build's), the seeds are only read.
  "$target" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1
  status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" | sed 's/^/   /'
  if [ $status -ne 0 ]; then
    failed+=("$name")
    echo "!! $name failed (exit $status); the end of its log, $log:"
    grep -v -E '^#[0-9]+' "$log" | tail -n 40 | sed 's/^/   /'
    for input in "$artifacts"/*; do
      echo "   input kept: $input"
      echo "   run it again: $target $input"
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${#targets[@]} targets, ${seconds}s each"
