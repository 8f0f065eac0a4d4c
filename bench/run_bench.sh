#!/usr/bin/env bash
# Runs the phonebook benchmarks of a Release build and prints the results as tables, beside the
# machine's facts. The raw results stay in BUILD_DIR/bench/results.json, the tables in
# BUILD_DIR/bench/results.md.
#
#   bash bench/run_bench.sh BUILD_DIR [benchmark options...]
#   e.g. bash bench/run_bench.sh build/bench --benchmark_filter=search
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

{
  hypervisor=$(lscpu | sed -n 's/^Hypervisor vendor: *//p' | head -n1)
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) processors${hypervisor:+ (virtual machine, $hypervisor)}"
  echo "- memory: $(free -g | awk '/^Mem:/ {print $2}') GiB; kernel $(uname -r)"
  echo "- files in $tmp: $(df -T "$tmp" | awk 'NR == 2 {print $2}')"
  echo "- $(grep --version | head -n1); $(sed --version | head -n1); $(cp --version | head -n1)"
  echo "- load average when the run started: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$tables.facts"
cat "$tables.facts"

# Three runs of each row; the tables show the median.
"$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_counters_tabular=true --benchmark_out="$json" --benchmark_out_format=json "$@"

python3 - "$json" "$tables.facts" >"$tables" <<'PY'
import json
import sys

with open(sys.argv[1]) as f:
    results = json.load(f)
rows = {}
for b in results["benchmarks"]:
    if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
        continue
    group, size, who = b["run_name"].split("/")[:3]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    rows[(group, size, who)] = dict(b, ms=b["real_time"] * scale)

sizes = []
for (_, size, _) in rows:
    if size not in sizes:
        sizes.append(size)

def ms(row):
    return f"{row['ms']:.3f}" if row["ms"] < 1 else f"{row['ms']:.1f}" if row["ms"] < 100 else f"{row['ms']:.0f}"

def mbps(row):
    return f"{row['file_bytes'] / (row['ms'] / 1e3) / 1e6:,.0f}"

def ratio(a, b):
    return f"{a['ms'] / b['ms']:.2f}" if a and b else "-"

print(open(sys.argv[2]).read())
print("Wall time per run, median of three runs (ms); MB/s = file bytes / time of the first column.\n")
print("| operation | file | this program | MB/s | tool | floor | / tool | / floor |")
print("|---|---|---|---|---|---|---|---|")
table = [("search", "FindEntrySection", "search", "grep", "search", "cat"),
         ("rewrite", "RewriteInterfaceMetric", "rewrite", "sed", "rewrite", "cp"),
         ("unchanged", "RewriteInterfaceMetric", None, None, "search", "cat")]
for group, who, toolGroup, tool, floorGroup, floor in table:
    for size in sizes:
        ours = rows.get((group, size, who))
        if not ours:
            continue
        t = rows.get((toolGroup, size, tool)) if tool else None
        fl = rows.get((floorGroup, size, floor))
        label = f"{who} ({group})" if group == "unchanged" else who
        print(f"| {label} | {size} | {ms(ours)} | {mbps(ours)} | "
              f"{(tool + ' ' + ms(t)) if t else '-'} | {(floor + ' ' + ms(fl)) if fl else '-'} | "
              f"{ratio(ours, t)} | {ratio(ours, fl)} |")

memory = [(size, rows.get(("memory", size, "RewriteInterfaceMetric"))) for size in sizes]
if any(row for _, row in memory):
    print("\nPeak resident size of a process running one rewrite (MiB), beside the same process with nothing to do.\n")
    print("| file | file MiB | peak | idle | (peak - idle) / file size |")
    print("|---|---|---|---|---|")
    for size, row in memory:
        if row:
            print(f"| {size} | {row['file_bytes'] / 2**20:.2f} | {row['peak_rss_MiB']:.1f} | {row['idle_rss_MiB']:.1f} | {row['x_file_size']:.2f} |")

parts = ["CLineTextSearch", "NeedsMetricRewrite", "WriteMetricRewrite"]
if any(("parts", size, p) in rows for size in sizes for p in parts):
    print("\nThe text functions alone, on the file's bytes in memory: ms (MB/s).\n")
    print("| file | " + " | ".join(parts) + " |")
    print("|---|" + "---|" * len(parts))
    for size in sizes:
        cells = [f"{ms(rows[k])} ({mbps(rows[k])})" if (k := ("parts", size, p)) in rows else "-" for p in parts]
        print(f"| {size} | " + " | ".join(cells) + " |")
PY
rm -f "$tables.facts"
echo
cat "$tables"
