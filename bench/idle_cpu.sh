#!/usr/bin/env bash
# The CPU time the real program takes while it sits idle under Wine, beside a minimal dialog
# with the same one-second timer, in one Wine session (virtual desktop in Xvfb, English user
# interface, the IPsec registry values in place, the entry set up in the user's phonebook, the
# machine's own network adapters, no VPN link). Four phases of SECONDS each, every one after
# SETTLE seconds for its process to settle:
#
#   empty session      nothing but the session's own processes (desktop, services, X server)
#   MinimalDialog      bench/windows/MinimalDialog.exe, shown
#   program, shown     TolvexDesktopWin.exe, its dialog shown
#   program, hidden    the same process after its dialog was hidden to the notification area
#
# Sampled is every process of the session: the dialog's own, the wineserver, explorer.exe
# (desktop, taskbar, notification area), winedevice.exe (the device host that answers the
# adapter enumeration), the other Wine services, and Xvfb; utime + stime (/proc/PID/stat) of the
# dialog's process, and of every process the run time of its threads
# (/proc/PID/task/*/schedstat, nanoseconds), which the tables use.
#
# Then the refresh's calls one by one (bench/windows/CallCost.exe): the session's CPU per call,
# less a run making none, and per minute at the rate the idle program makes each call.
#
#   bash bench/idle_cpu.sh WINDOWS_BUILD_DIR [SECONDS]     (SECONDS defaults to 60)
#   environment: SETTLE (5), CALL_COUNT (500), CALL_PAUSE_MS (20)
#
# The tables go to stdout and to WINDOWS_BUILD_DIR/bench/idle.md.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 WINDOWS_BUILD_DIR [SECONDS]" >&2
  exit 2
fi
build=$(realpath "$1")
seconds=${2:-${IDLE_SECONDS:-60}}
settle=${SETTLE:-5}
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

for exe in "$build/TolvexDesktopWin.exe" "$build/bench/MinimalDialog.exe" "$build/bench/PostToWindow.exe" \
           "$build/bench/CallCost.exe"; do
  if [ ! -f "$exe" ]; then
    echo "no $exe: build the windows-x64 preset first" \
      "(cmake --preset windows-x64 && cmake --build --preset windows-x64)" >&2
    exit 2
  fi
done

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The English user interface: the helper finds the dialog by its English caption.
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES DISPLAY

source "$root/tests/e2e/wine_session.sh"
prepare_template "$build/e2e/prefix-template"
run=$(mktemp -d /tmp/tolvex-idle.XXXXXX)
trap 'end_session; rm -rf "$run"' EXIT
start_session "$build/e2e/prefix-template" "$run" "$build/TolvexDesktopWin.exe"

# The system's own IP helper, never the test-only stand-in the end-to-end harness may put
# beside the program: the adapter list is read from the machine's real adapters.
rm -f "$WINEPREFIX/drive_c/Program Files/Tolvex/iphlpapi.dll"
# The bench programs beside the program, and the entry set up, as on a machine in use.
mkdir -p "$WINEPREFIX/drive_c/bench"
cp "$build/bench/MinimalDialog.exe" "$build/bench/PostToWindow.exe" "$build/bench/CallCost.exe" \
  "$WINEPREFIX/drive_c/bench/"
user=${USER:-$(id -un)}
phonebook_dir="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Tolvex Computer"
mkdir -p "$phonebook_dir"
cp "$root/tests/e2e/standins/TolvexPhoneBook.pbk" "$phonebook_dir/"

# Started from inside the prefix, every process of the session has its working folder there;
# the server's is the folder named after the prefix's device and inode.
cd "$WINEPREFIX/drive_c"
server_dir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
tick=$(getconf CLK_TCK)

PROGRAM='C:\Program Files\Tolvex\TolvexDesktopWin.exe'
MINIMAL='C:\bench\MinimalDialog.exe'
POST='C:\bench\PostToWindow.exe'
CALLCOST='C:\bench\CallCost.exe'
PROGRAM_CAPTION='Tolvex Cell VPN Manager'
MINIMAL_CAPTION='Minimal Dialog'

# One line per process of the session: "PID GROUP TICKS TID:NS...": utime + stime in clock
# ticks, and the time each of its threads has run in nanoseconds (/proc/PID/task/*/schedstat),
# which the tables use: an idle dialog runs a few milliseconds a minute, under the 10 ms tick.
# DIALOG's process is the group "dialog".
snapshot() {
  local dialog=$1 dir pid cwd exe comm group stat threads task run rest
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    cwd=$(readlink "$dir/cwd" 2>/dev/null) || continue
    if [ "$pid" != "${XVFB_PID:-}" ]; then
      # Wine's processes only: this script's own shells work in the prefix too.
      exe=$(readlink "$dir/exe" 2>/dev/null) || continue
      [[ "$exe" == */wine* ]] || continue
    fi
    if [ "$pid" = "$dialog" ]; then
      group=dialog
    elif [ "$pid" = "${XVFB_PID:-}" ]; then
      group=Xvfb
    elif [ "${cwd##*/}" = "$server_dir" ]; then
      group=wineserver
    elif [[ "$cwd" == "$WINEPREFIX"* ]]; then
      comm=$(cat "$dir/comm" 2>/dev/null) || continue
      case $comm in
        explorer.exe) group=explorer ;;
        winedevice.exe) group=winedevice ;;
        *) group=others ;;
      esac
    else
      continue
    fi
    stat=$(cat "$dir/stat" 2>/dev/null) || continue
    threads=
    for task in "$dir"/task/*; do
      read -r run rest <"$task/schedstat" 2>/dev/null || continue
      threads+=" ${task##*/}:$run"
    done
    # utime and stime are fields 14 and 15: the 12th and 13th after the command name, which may
    # hold spaces and stands in parentheses.
    stat=${stat##*) }
    set -- $stat
    echo "$pid $group $(( ${12} + ${13} ))$threads"
  done
}

now() { date +%s.%N; }

# delta BEFORE AFTER: the run time (ms) each group of processes took between two snapshots, as
# "group=ms ..."; a process that started between them counts from zero.
cat >"$run/delta.py" <<'PY'
import sys
def read(path):
    out = {}
    for line in open(path):
        pid, group, ticks, *threads = line.split()
        out[pid] = (group, int(ticks), {t: int(ns) for t, ns in (item.split(":") for item in threads)})
    return out
before, after = read(sys.argv[1]), read(sys.argv[2])
ms, ticks = {}, {}
for pid, (group, t, threads) in after.items():
    _, t0, threads0 = before.get(pid, (group, 0, {}))
    # Per thread: a thread that ended between the samples is missing from the second and adds
    # nothing (its last run is lost); one that started counts from zero.
    ms[group] = ms.get(group, 0) + sum(ns - threads0.get(tid, 0) for tid, ns in threads.items()) / 1e6
    ticks[group] = ticks.get(group, 0) + t - t0
tick = int(sys.argv[3])
print(" ".join(f"{g}={ms.get(g, 0):.2f}" for g in ("dialog", "wineserver", "explorer", "winedevice", "others", "Xvfb"))
      + f" dialog_ticks={ticks.get('dialog', 0) * 1000 / tick:.0f}")
PY

# measure NAME DIALOG_PID: samples, waits SECONDS, samples again; appends the row "NAME<TAB>
# SECONDS group=ms ..." to $run/rows.
measure() {
  local name=$1 dialog=$2 start end
  snapshot "$dialog" >"$run/before"
  start=$(now)
  sleep "$seconds"
  snapshot "$dialog" >"$run/after"
  end=$(now)
  printf '%s\tseconds=%s %s\n' "$name" "$(awk "BEGIN { print $end - $start }")" \
    "$(python3 "$run/delta.py" "$run/before" "$run/after" "$tick")" >>"$run/rows"
  echo "  $(tail -n1 "$run/rows")"
}


await_file() {
  local n=0
  until [ -e "$1" ] || [ $n -ge 600 ]; do sleep 0.05; n=$((n + 1)); done
  [ -e "$1" ]
}

wait_gone() {
  local pid=$1 n=0
  while kill -0 "$pid" 2>/dev/null && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  wait "$pid" 2>/dev/null || true
}

{
  hypervisor=$(lscpu | sed -n 's/^Hypervisor vendor: *//p' | head -n1)
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -n1), $(nproc) processors${hypervisor:+ (virtual machine, $hypervisor)}; kernel $(uname -r)"
  echo "- $(wine --version 2>/dev/null), virtual desktop 1024x768 in Xvfb $(dpkg-query -W -f='${Version}' xvfb 2>/dev/null); clock tick $((1000 / tick)) ms"
  echo "- network devices the adapter list comes from: $(ls /sys/class/net | tr "\n" " ")"
  echo "- $seconds s per phase after $settle s to settle; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$run/facts"
cat "$run/facts"

: >"$run/rows"
# The session's desktop and services start with its first program and end a second after its
# last: a program that only waits keeps them up through every phase.
wine "$CALLCOST" hold &
holder=$!
sleep $((settle * 2))
echo "== empty session"
measure "empty session" none

echo "== MinimalDialog"
wine "$MINIMAL" &
minimal=$!
wine "$POST" "$MINIMAL_CAPTION" 0 0
sleep "$settle"
measure "MinimalDialog" "$minimal"
wine "$POST" "$MINIMAL_CAPTION" 0x0111 2
wait_gone "$minimal"

echo "== TolvexDesktopWin"
wine "$PROGRAM" &
program=$!
wine "$POST" "$PROGRAM_CAPTION" 0 0
sleep "$settle"
measure "program, shown" "$program"
echo "== TolvexDesktopWin, hidden to the notification area"
wine "$POST" "$PROGRAM_CAPTION" 0x0112 0xF020
sleep "$settle"
measure "program, hidden" "$program"
# Quit as the user would; the link is not up, so the program asks nothing.
wine "$POST" "$PROGRAM_CAPTION" 0x0111 2
wait_gone "$program"

# The calls one by one: the whole session's run time over COUNT calls with PAUSE ms between
# them, sampled while CallCost is alive on both sides of its calls, less the same for a run that
# makes no call.
count=${CALL_COUNT:-500}
pause=${CALL_PAUSE_MS:-20}
: >"$run/calls"
echo "== the refresh's calls, $count each"
for kind in none adapters adapters-once adapters-lean iftable findfile notifyicon settext; do
  signal="$WINEPREFIX/drive_c/bench/$kind"
  wine "$CALLCOST" "$kind" "$count" "$pause" "C:\\bench\\$kind" &
  probe=$!
  await_file "$signal.ready"
  snapshot "$probe" >"$run/before"
  : >"$signal.go"
  await_file "$signal.done"
  snapshot "$probe" >"$run/after"
  : >"$signal.exit"
  wait "$probe" || echo "  CallCost $kind: some calls failed" >&2
  printf '%s\t%s\n' "$kind" "$(python3 "$run/delta.py" "$run/before" "$run/after" "$tick")" >>"$run/calls"
  echo "  $(tail -n1 "$run/calls")"
done

mkdir -p "$build/bench"
python3 - "$run/facts" "$run/rows" "$run/calls" "$count" >"$build/bench/idle.md" <<'PY'
import sys
facts, rows_path, calls_path, count = sys.argv[1:5]
count = int(count)
groups = ("dialog", "wineserver", "explorer", "winedevice", "others", "Xvfb")

def parse(path):
    out = {}
    for line in open(path):
        name, values = line.rstrip("\n").split("\t")
        out[name] = {k: float(v) for k, v in (item.split("=") for item in values.split())}
        out[name]["all"] = sum(out[name][g] for g in groups)
    return out

rows = parse(rows_path)
for r in rows.values():
    scale = 60.0 / r.pop("seconds")
    for k in r:
        r[k] *= scale

print(open(facts).read())
print("CPU time per 60 s (ms) of each process of the session; the dialog's own process also as utime + stime"
      " (10 ms ticks):\n")
print("| phase | dialog's process | (utime + stime) | wineserver | explorer | winedevice | other Wine | Xvfb | session |")
print("|---|---|---|---|---|---|---|---|---|")
for name, r in rows.items():
    own = ("-", "-") if name == "empty session" else (f"{r['dialog']:.0f}", f"{r['dialog_ticks']:.0f}")
    print(f"| {name} | {own[0]} | {own[1]} | " + " | ".join(f"{r[g]:.0f}" for g in groups[1:]) + f" | {r['all']:.0f} |")

floor = rows.get("MinimalDialog")
def ratio(a, b):
    return f"{a / b:.1f}" if b > 0 else "-"
if floor:
    print("\nAgainst the floor, MinimalDialog (x):\n")
    print("| phase | dialog's process | process + wineserver | process + wineserver + explorer + Xvfb |")
    print("|---|---|---|---|")
    near = ("dialog", "wineserver", "explorer", "Xvfb")
    for name in ("program, shown", "program, hidden"):
        r = rows.get(name)
        if r:
            print(f"| {name} | {ratio(r['dialog'], floor['dialog'])} | "
                  f"{ratio(r['dialog'] + r['wineserver'], floor['dialog'] + floor['wineserver'])} | "
                  f"{ratio(sum(r[g] for g in near), sum(floor[g] for g in near))} |")

calls = parse(calls_path)
# How often the idle program makes each call per minute: one pass per timer tick; Settings tests
# for the phonebook at every pass, Connect works at every second pass (one more test, one
# enumeration, one icon update); the indicator's text is written at every tick.
rate = {"adapters": 30, "adapters-once": 30, "adapters-lean": 30, "iftable": 30,
        "findfile": 90, "notifyicon": 30, "settext": 60}
labels = {"adapters": "GetAdaptersAddresses x2 (one enumeration)",
          "adapters-once": "(instead: GetAdaptersAddresses x1 into a kept buffer)",
          "adapters-lean": "(instead: GetAdaptersAddresses x2 without addresses)",
          "iftable": "(instead: GetIfTable2 + FreeMibTable)",
          "findfile": "FindFirstFileW + FindClose",
          "notifyicon": "Shell_NotifyIconW(NIM_MODIFY)", "settext": "SetWindowTextW(\"\") on a shown static"}
if "none" in calls:
    base = calls["none"]
    print(f"\nThe refresh's calls one by one: CPU time per call (ms), {count} calls less a run making none;"
          " the caller is CallCost.exe:\n")
    print("| call | caller | wineserver | explorer | winedevice | Xvfb | all | per minute | ms per 60 s |")
    print("|---|---|---|---|---|---|---|---|---|")
    for kind in ("adapters", "adapters-once", "adapters-lean", "iftable", "findfile", "notifyicon", "settext"):
        if kind in calls:
            per = {g: (calls[kind][g] - base[g]) / count for g in groups + ("all",)}
            print(f"| {labels[kind]} | " + " | ".join(f"{per[g]:.3f}" for g in ("dialog", "wineserver", "explorer",
                  "winedevice", "Xvfb", "all")) + f" | {rate[kind]} | {per['all'] * rate[kind]:.0f} |")
PY
echo
cat "$build/bench/idle.md"
