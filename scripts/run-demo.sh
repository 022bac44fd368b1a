#!/usr/bin/env bash
# Starts KURIM on a simulated analyser: kurim-sim sends a QAN Pilo's telegrams into a
# pseudo-terminal, a demo program folder maps COM5 to it and chooses it in the acquisition
# settings, and KURIM runs in that folder. Press "Anzeige" to watch the values.
# Without a display the same polling loop runs in the terminal (kurim-cli monitor).
set -euo pipefail
BIN="$(cd "${1:-build/bin}" && pwd)"
shift || true # further arguments go to kurim (ENGLISH, -L...)
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DEMO="$ROOT/demo"
PORT=5
TYPE=3 # QAN Pilo

for exe in kurim-sim kurim-cli; do
    [[ -x "$BIN/$exe" ]] || { echo "run-demo: $BIN/$exe is missing; build first (make)" >&2; exit 1; }
done

mkdir -p "$DEMO"
# The delivered files (language files, table template, profiles, terms) beside the program.
for f in "$BIN"/*; do
    [[ -f "$f" && ! -x "$f" ]] && cp -f "$f" "$DEMO/"
done
[[ -d "$BIN/Hilfe" ]] && cp -rf "$BIN/Hilfe" "$DEMO/"
mkdir -p "$DEMO/Daten"

# The simulator's pseudo-terminal is reached through a fixed link, so Kurim.ini can name it.
LINK="$DEMO/analyser-pty"
"$BIN/kurim-sim" --type "$TYPE" --pty --link "$LINK" >"$DEMO/kurim-sim.out" 2>"$DEMO/kurim-sim.log" &
SIM=$!
trap 'kill "$SIM" 2>/dev/null || true; wait "$SIM" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [[ -e "$LINK" ]] && break
    sleep 0.1
done
[[ -e "$LINK" ]] || { echo "run-demo: the simulator did not start:" >&2; cat "$DEMO/kurim-sim.log" >&2; exit 1; }

# Kurim.ini: COM5 is the simulator; the acquisition window opens it at start. Other keys of an
# earlier run (language, configuration) are kept.
INI="$DEMO/Kurim.ini"
"$BIN/kurim-cli" ini "$INI" "Ports/COM$PORT=$LINK" "Eingang/COMPORT=$PORT" "Eingang/GERAET=$TYPE" \
    "Eingang/Baudrate=9600" "Eingang/TCP_ACTIVE=0" "Eingang/WREN_MAC=" "Eingang/WREN_NAME="

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "run-demo: no display (DISPLAY and WAYLAND_DISPLAY are empty), so KURIM's windows cannot open."
    echo "run-demo: showing the live values in the terminal instead (kurim-cli monitor, Ctrl-C ends)."
    echo "run-demo: with a display, run: KURIM_HOME=$DEMO/ $BIN/kurim"
    KURIM_HOME="$DEMO/" "$BIN/kurim-cli" monitor --port "COM$PORT" --type "$TYPE" || true
    exit 0
fi
[[ -x "$BIN/kurim" ]] || { echo "run-demo: $BIN/kurim is missing; build first (make)" >&2; exit 1; }
echo "run-demo: KURIM on the simulated QAN Pilo at COM$PORT ($LINK); press \"Anzeige\" for the values."
KURIM_HOME="$DEMO/" "$BIN/kurim" "$@" || true
