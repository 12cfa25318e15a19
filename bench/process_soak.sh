#!/usr/bin/env bash
# Process soak: the real panel (offscreen) against velantor-sim for a long time, once over TCP and
# once over the emulator's pseudo-terminal, while the emulator's console throws random faults and
# front-panel changes at them. Prints resident memory and CPU time of the three processes at the
# start and at every interval; a panel that dies or grows steadily is what this is here to show.
#
#   bench/process_soak.sh [MINUTES] [INTERVAL_SECONDS]      (defaults: 30 and 300)
#   PANEL=path/to/velantor SIM=path/to/velantor-sim bench/process_soak.sh 3 30
set -euo pipefail

minutes=${1:-30}
interval=${2:-300}
here=$(cd "$(dirname "$0")/.." && pwd)
panel=${PANEL:-$here/build/velantor}
sim=${SIM:-$here/build/velantor-sim}
for program in "$panel" "$sim"; do
  [[ -x $program ]] || { echo "process_soak: $program is not built (set PANEL and SIM)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/velantor-soak-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The emulator: a free TCP port on loopback, a pty behind a stable link name, no UDP (other
# programs on this machine may own 30600/30601). Its console is fed through a FIFO.
mkfifo "$work/console"
"$sim" --tcp 127.0.0.1:0 --serial "$work/matrix-tty" --no-udp --stdin-keep <"$work/console" >"$work/sim.out" 2>&1 &
pids+=($!)
sim_pid=$!
exec 3>"$work/console"
for _ in $(seq 100); do grep -q '^ready' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
grep -q '^ready' "$work/sim.out" || { echo "process_soak: the emulator did not start" >&2; cat "$work/sim.out" >&2; exit 1; }
tcp=$(sed -n 's/^tcp //p' "$work/sim.out" | head -1)

export QT_QPA_PLATFORM=offscreen
"$panel" --connect "tcp:$tcp" --page matrix >"$work/panel-tcp.out" 2>&1 &
pids+=($!)
tcp_pid=$!
"$panel" --port "$work/matrix-tty" --connect "serial:$work/matrix-tty" --page edid >"$work/panel-serial.out" 2>&1 &
pids+=($!)
serial_pid=$!

ticks=$(getconf CLK_TCK)
# "RSS_KiB CPU_seconds" of a process, or "gone".
usage() {
  local pid=$1
  [[ -r /proc/$pid/stat ]] || { echo "gone"; return; }
  local rss cpu
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  cpu=$(awk -v t="$ticks" '{printf "%.2f", ($14 + $15) / t}' "/proc/$pid/stat")
  echo "${rss} KiB rss, ${cpu} s cpu"
}
report() {
  printf '%6ss  panel/tcp: %-28s panel/serial: %-28s sim: %s\n' "$1" "$(usage $tcp_pid)" "$(usage $serial_pid)" "$(usage $sim_pid)"
}

# What the console throws: faults, then "clear" so the panels can work again, and changes that
# the panels find when they poll.
faults=("drop 3" "drop-every 4" "delay 300" "corrupt 2" "status 1" "dup 3" "misport 2" "late 2 6000" "split 3"
        "join 3" "standby on" "standby off" "close" "route 2 3" "route 1 4" "signal 2 2" "effect 3 5" "time 4 6"
        "edid-code 1 7" "unplug in 2" "plug in 2" "clear" "clear")

sleep 3
echo "process soak: ${minutes} min, report every ${interval} s (tcp $tcp, pty $work/matrix-tty)"
report 0
start=$(date +%s)
next_report=$((start + interval))
end=$((start + minutes * 60))
while (( $(date +%s) < end )); do
  echo "${faults[RANDOM % ${#faults[@]}]}" >&3
  sleep 0.$((RANDOM % 9 + 1))
  now=$(date +%s)
  if (( now >= next_report )); then
    report $((now - start))
    next_report=$((next_report + interval))
  fi
  for pid in $tcp_pid $serial_pid $sim_pid; do
    [[ -r /proc/$pid/stat ]] || { echo "process_soak: process $pid ended early" >&2; report $((now - start)); exit 1; }
  done
done
echo "clear" >&3
report $(( $(date +%s) - start ))
