#!/usr/bin/env bash
# Runs the phonebook benchmarks of a Release build and prints the machine's facts and the tables
# of bench/README.md. Raw results in BUILD_DIR/bench/results.json, the tables in results.md.
#
#   bash bench/run_bench.sh BUILD_DIR [benchmark options...]
#   e.g. bash bench/run_bench.sh build/bench --benchmark_filter=lookup --benchmark_repetitions=1
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [benchmark options...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
bench=$build/bench/phonebook_bench
if [ ! -x "$bench" ]; then
  echo "no $bench: configure with -DTOLVEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release and build first" >&2
  exit 2
fi
json=$build/bench/results.json
tables=$build/bench/results.md
tmp=${TMPDIR:-/tmp}

# The memory rows write a file of 2.5 GiB and its rewritten copy.
df -h "$tmp"
# Three runs of each timed row; the tables show the median.
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json "$@"

python3 - "$json" >"$tables" <<PY
import json, sys
print("- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) processors;"
      " memory $(free -g | awk '/^Mem:/ {print $2}') GiB; kernel $(uname -r)")
print("- files in $tmp: $(df -T "$tmp" | awk 'NR == 2 {print $2}'); $(grep --version | head -n1),"
      " $(sed --version | head -n1), $(cp --version | head -n1)")
print("- load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)\n")
rows, sizes, whos = {}, [], {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
        continue
    group, size, who = b["run_name"].split("/")[:3]
    rows[group, size, who] = b
    sizes += [size] if size not in sizes else []
    whos.setdefault(group, [])
    whos[group] += [who] if who not in whos[group] else []

def ms(b):
    t = b["real_time"]
    return f"{t:.3f}" if t < 1 else f"{t:.1f}" if t < 100 else f"{t:.0f}"

for group in ("lookup", "rewrite", "unchanged"):
    if group not in whos:
        continue
    names = whos[group] + (["cat"] if group == "unchanged" else [])
    print(f"| {group}: ms (median of 3) | " + " | ".join(names) + " | MB/s of the first |")
    print("|---" * (len(names) + 2) + "|")
    for size in sizes:
        cells = [rows.get((group if n != "cat" or group == "lookup" else "lookup", size, n)) for n in names]
        if cells[0]:
            speed = cells[0]["file_bytes"] / cells[0]["real_time"] / 1e3
            print(f"| {size} | " + " | ".join(ms(c) if c else "-" for c in cells) + f" | {speed:,.0f} |")
    print()
memory = [(s, rows.get(("memory", s, "RewriteMetricLines"))) for s in sizes]
if any(b for _, b in memory):
    print("| peak resident size (MiB) | one rewrite | a child doing nothing | difference | rewrite s |")
    print("|---|---|---|---|---|")
    for size, b in memory:
        if b:
            peak, nothing = b["peak_KiB"] / 1024, b["nothing_KiB"] / 1024
            print(f"| {size} | {peak:.2f} | {nothing:.2f} | {peak - nothing:.2f} | {b['real_time'] / 1e3:.2f} |")
PY
echo
cat "$tables"
