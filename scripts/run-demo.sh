#!/usr/bin/env bash
# Runs the program's main job on the simulated analyser: the simulator's live telegrams decoded.
set -euo pipefail
BIN="${1:-build/bin}"
echo "Simulated QAN Pilo, decoded live (Ctrl-C ends):"
"$BIN/kurim-sim" --type 3 | "$BIN/kurim-cli" decode --type 3 --follow
