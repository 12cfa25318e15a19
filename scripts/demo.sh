#!/usr/bin/env bash
# make demo: the emulator on loopback and the panel connected to it; closing the panel stops
# the emulator. Without a display the panel runs under Xvfb and leaves a screenshot.
set -euo pipefail
build=${1:-build}
sim="$build/velantor-sim"
panel="$build/velantor"
port=${VELANTOR_DEMO_PORT:-8000}
link=${VELANTOR_DEMO_SERIAL:-/tmp/velantor-sim-serial}

"$sim" --tcp "127.0.0.1:$port" --serial "$link" --search 0.0.0.0:30600 --config 0.0.0.0:30601 --udp-reply-to 127.255.255.255 --ip 127.0.0.1 --no-stdin \
  > /tmp/velantor-sim.out 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT

for _ in $(seq 50); do grep -q '^tcp ' /tmp/velantor-sim.out 2>/dev/null && break; sleep 0.1; done
if ! grep -q '^tcp ' /tmp/velantor-sim.out; then
  echo "velantor-sim did not start:"; cat /tmp/velantor-sim.out; exit 1
fi
echo "emulator:"; sed 's/^/  /' /tmp/velantor-sim.out

args=(--connect "tcp:127.0.0.1:$port" --port "$link" --broadcast 127.255.255.255)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$panel" "${args[@]}"
else
  mkdir -p docs
  echo "no display: running the panel under Xvfb; screenshot in docs/demo.png"
  xvfb-run -a "$panel" "${args[@]}" --screenshot docs/demo.png --screenshot-delay 2500
fi
