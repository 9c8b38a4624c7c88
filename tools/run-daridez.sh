#!/usr/bin/env bash
# Starts Daridez from the build tree. With a tracer attached at the configured port
# it runs on the user's own profile; without one it starts the simulated tracer on a
# pseudo-terminal and runs Daridez on a temporary profile whose port points at it.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/simulated-tracer.sh

BUILD=${BUILD:-build}
daridez="$BUILD/bin/daridez"
sim="$BUILD/bin/tracer-sim"
[ -x "$daridez" ] || { echo "run-daridez: $daridez is not built" >&2; exit 1; }

profile=$(profile_path)
port=$(configured_port "$profile")
device=$(port_device "$profile" "$port")
if [ -n "$device" ] && [ -e "$device" ]; then
    echo "Tracer device at $device (Com$port)"
    exec "$daridez"
fi

[ -x "$sim" ] || { echo "run-daridez: $sim is not built" >&2; exit 1; }
start_simulated_tracer_session "$sim" daridez-run
echo "No tracer device at ${device:-Com$port}: starting the simulated tracer (tracer-sim) on $SIM_LINK"
if [ -n "$SIM_LDF_PATH" ]; then
    echo "LDF: $SIM_LDF_PATH (the simulator plays its schedule; the window decodes with it)"
else
    echo "LDF: none (the simulator plays its built-in schedule)"
fi
XDG_CONFIG_HOME="$SIM_CONFIG_HOME" "$daridez"
