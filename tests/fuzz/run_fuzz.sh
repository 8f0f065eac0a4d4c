#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, from the seeds in corpus/<Target>/ and
# what earlier runs found (kept in the build folder). A failing target keeps its input; the end
# of its log says which rule broke and how to replay it.
#   run_fuzz.sh SECONDS BUILD_DIR
set -uo pipefail
seconds=$1
build=$(cd "$2" && pwd) || exit 2
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "$build"/tests/fuzz/fuzz_*; do
  name=${target##*/fuzz_}
  runs=$build/tests/fuzz/runs/$name
  mkdir -p "$runs/corpus"
  dict=()
  [ -f "$here/corpus/$name.dict" ] && dict=(-dict="$here/corpus/$name.dict")
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=20 -max_len=4096 -artifact_prefix="$runs/" "${dict[@]}" \
       "$runs/corpus" $([ -d "$here/corpus/$name" ] && echo "$here/corpus/$name") >"$runs/log" 2>&1; then
    failed+=("$name")
    grep -v -E '^#[0-9]+' "$runs/log" | tail -n 30
    echo "replay: $target $runs/crash-*"
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzzing failed: ${failed[*]}"; exit 1; }
echo "fuzzing passed"
