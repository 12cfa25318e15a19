#!/usr/bin/env bash
# Writes the README's screenshots into docs/: the panel against the emulator, offscreen.
set -euo pipefail
build=${1:-build}
mkdir -p docs
port=18000
"$build/velantor-sim" --tcp "127.0.0.1:$port" --no-serial --no-udp --no-stdin > /tmp/velantor-shots-sim.out 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q '^tcp ' /tmp/velantor-shots-sim.out && break; sleep 0.1; done
for page in general edid matrix firmware; do
  QT_QPA_PLATFORM=offscreen "$build/velantor" --connect "tcp:127.0.0.1:$port" --page "$page" \
    --screenshot "docs/$page.png" --screenshot-delay 2500
done
# The Matrix page after the switcher went away: what it read stays, greyed, and the status line
# says the link is lost.
"$build/velantor-sim" --tcp "127.0.0.1:$((port + 1))" --no-serial --no-udp --no-stdin > /tmp/velantor-shots-sim2.out 2>&1 &
lost_pid=$!
for _ in $(seq 50); do grep -q '^tcp ' /tmp/velantor-shots-sim2.out && break; sleep 0.1; done
(sleep 3; kill "$lost_pid" 2>/dev/null || true) &
QT_QPA_PLATFORM=offscreen "$build/velantor" --connect "tcp:127.0.0.1:$((port + 1))" --page matrix \
  --screenshot docs/matrix_link_lost.png --screenshot-delay 4500
# The scene dialog, opened and filled by its end-to-end test.
VELANTOR_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen "$build/tests/e2e_tests" \
  --gtest_filter='MatrixPanel.ASwitchTimeAndAnEditedSceneShowWhatWasChosen:NetworkConfigViewTest.OpensFilledAndTheRadiosEnableTheAddressEdits' > /dev/null
echo "screenshots in docs/"
