#!/usr/bin/env bash
# Runs the benchmarks of a Release build and prints the results as tables, beside the machine's
# facts: the phonebook rows (phonebook_bench) and the refresh rows (refresh_bench). The raw
# results stay in BUILD_DIR/bench/results.json and BUILD_DIR/bench/refresh.json, the tables in
# BUILD_DIR/bench/results.md.
#
#   bash bench/run_bench.sh BUILD_DIR [--only=phonebook|refresh] [benchmark options...]
#   e.g. bash bench/run_bench.sh build/bench --only=phonebook --benchmark_filter=search
# The options go to every benchmark program the run starts.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [--only=phonebook|refresh] [benchmark options...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
only=
case ${1:-} in
  --only=phonebook | --only=refresh) only=${1#--only=}; shift ;;
  --only=*) echo "--only takes phonebook or refresh" >&2; exit 2 ;;
esac
bench=$build/bench/phonebook_bench
refresh=$build/bench/refresh_bench
for program in "$bench" "$refresh"; do
  case "$only:$program" in
    phonebook:"$refresh" | refresh:"$bench") continue ;;
  esac
  if [ ! -x "$program" ]; then
    echo "no $program: configure with -DTOLVEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release and build first" >&2
    exit 2
  fi
done
json=$build/bench/results.json
refresh_json=$build/bench/refresh.json
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

if [ "$only" = refresh ]; then
  cp "$tables.facts" "$tables"
else
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
fi

if [ "$only" != phonebook ]; then
# Five runs of each row, each at least half a second; the table shows the median.
"$refresh" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$refresh_json" --benchmark_out_format=json "$@"

python3 - "$refresh_json" >>"$tables" <<'PY'
import json
import sys

with open(sys.argv[1]) as f:
    results = json.load(f)
rows = {}
for b in results["benchmarks"]:
    if b.get("aggregate_name") != "median" or b.get("error_occurred"):
        continue
    _, variant, row = b["run_name"].split("/")[:3]
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
    rows[(variant, row)] = dict(b, us=b["cpu_time"] * scale)

print("\nOne refresh, two idle passes (the first a working pass), 64 adapters; CPU time per refresh (µs),"
      " median of five runs. Own time = pass - (platform - replay loop).\n")
print("| adapters | pass | platform calls | replay loop | own time | calls | allocations: pass / platform |"
      " pass on the logging fakes |")
print("|---|---|---|---|---|---|---|---|")
labels = {"match_last": "63 Ethernet + the link last", "no_match": "64 Ethernet, no link"}
for variant, label in labels.items():
    p, c, r, s = (rows.get((variant, k)) for k in ("pass", "platform", "replay", "stock"))
    if not (p and c and r):
        continue
    own = p["us"] - (c["us"] - r["us"])
    stock = f"{s['us']:.2f}" if s else "-"
    print(f"| {label} | {p['us']:.2f} | {c['us']:.2f} | {r['us']:.3f} | {own:.2f} | {p['calls']:.0f} | "
          f"{p['allocs']:.0f} / {c['allocs']:.0f} | {stock} |")
PY
fi
rm -f "$tables.facts"
echo
cat "$tables"
