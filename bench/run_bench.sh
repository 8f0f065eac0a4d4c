#!/usr/bin/env bash
# Runs the phonebook benchmarks of a Release build, three runs of each timed row, and prints the
# machine's facts and the tables of bench/README.md (medians). Raw results in
# BUILD_DIR/bench/results.json, the tables in results.md. Options go to the benchmark program:
#   bash bench/run_bench.sh build/bench --benchmark_filter=lookup --benchmark_repetitions=1
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR [benchmark options...]}" && pwd)
shift
bench=$build/bench/phonebook_bench
[ -x "$bench" ] && [ -x "$build/bench/eventlog_bench" ] ||
  { echo "no $bench or eventlog_bench: configure with -DTOLVEX_BENCH=ON and build them first" >&2; exit 2; }
tmp=${TMPDIR:-/tmp}
df -h "$tmp"  # the memory rows write a phonebook of 2.5 GiB and its rewritten copy there
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$build/bench/results.json" --benchmark_out_format=json "$@"

python3 - "$build/bench/results.json" >"$build/bench/results.md" <<PY
import json, sys
print("- $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) processors, $(free -g | awk '/^Mem:/ {print $2}') GiB;"
      " kernel $(uname -r); $tmp on $(df -T "$tmp" | awk 'NR == 2 {print $2}')")
print("- $(grep --version | head -n1), $(sed --version | head -n1), $(cp --version | head -n1);"
      " load average at the end $(cut -d' ' -f1-3 /proc/loadavg)\n")
rows, sizes, whos = {}, [], {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name", "median") == "median" and not b.get("error_occurred"):
        group, size, who = b["run_name"].split("/")[:3]
        rows[group, size, who] = b
        sizes += [] if size in sizes else [size]
        whos[group] = whos.get(group, []) + ([] if who in whos.get(group, []) else [who])
ms = lambda t: f"{t:.3f}" if t < 1 else f"{t:.1f}" if t < 100 else f"{t:.0f}"
for group, names in whos.items():
    if group == "memory":
        print("| peak resident size, MiB | one rewrite | a child doing nothing | difference | rewrite, s |\n|---|---|---|---|---|")
        for size in sizes:
            if b := rows.get((group, size, names[0])):
                peak, nothing = b["peak_KiB"] / 1024, b["nothing_KiB"] / 1024
                print(f"| {size} | {peak:.2f} | {nothing:.2f} | {peak - nothing:.2f} | {b['real_time'] / 1e3:.2f} |")
        continue
    cells = [(group, n) for n in names] + ([("lookup", "cat")] if group == "unchanged" else [])
    print(f"| {group}, ms | " + " | ".join(n for _, n in cells) + " | MB/s of the first |\n" + "|---" * (len(cells) + 2) + "|")
    for size in sizes:
        if first := rows.get((group, size, names[0])):
            times = [ms(rows[g, size, n]["real_time"]) if (g, size, n) in rows else "-" for g, n in cells]
            print(f"| {size} | " + " | ".join(times) + f" | {first['file_bytes'] / first['real_time'] / 1e3:,.0f} |")
    print()
PY

# The record of events: time and allocations per event recorded into the full ring.
"$build/bench/eventlog_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true |
  grep -E '_median' >>"$build/bench/results.md"
echo
cat "$build/bench/results.md"
