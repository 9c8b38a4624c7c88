#!/usr/bin/env bash
# Makes docs/screenshot.png: the real main window under Xvfb, tracing live from the
# simulated tracer. build/bin/daridez-screenshot builds the window on the temporary
# profile, presses "Start", lets rows arrive, and saves a grab of the window (and, with
# a second file name, one of the plot window).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/simulated-tracer.sh

BUILD=${BUILD:-build}
OUTPUT=${1:-docs/screenshot.png}
PLOT_OUTPUT=${2:-}
shooter="$BUILD/bin/daridez-screenshot"
sim="$BUILD/bin/tracer-sim"
for program in "$shooter" "$sim"; do
    [ -x "$program" ] || { echo "screenshot: $program is not built" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "screenshot: xvfb-run is missing (package xvfb)" >&2; exit 1; }

start_simulated_tracer_session "$sim" daridez-shot
mkdir -p "$(dirname "$OUTPUT")"
XDG_CONFIG_HOME="$SIM_CONFIG_HOME" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$shooter" "$OUTPUT" $PLOT_OUTPUT
echo "screenshot: wrote $OUTPUT $PLOT_OUTPUT"
