#!/usr/bin/env bash
# Shared by the launcher and the screenshot script (source it, do not run it): reads
# the configured port from a profile, and starts the simulated tracer with a temporary
# profile whose port 2 points at it.

# ini_get FILE SECTION KEY: the value of KEY in [SECTION], empty when missing. Section
# and key names compare without regard to case, as the profile functions do.
ini_get() {
    [ -r "$1" ] || return 0
    awk -v section="$2" -v key="$3" '
        function trim(s) { gsub(/^[ \t]+|[ \t\r]+$/, "", s); return s }
        /^[ \t]*\[/ {
            name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
            inside = tolower(trim(name)) == tolower(section); next
        }
        inside && index($0, "=") > 0 {
            k = trim(substr($0, 1, index($0, "=") - 1))
            if (tolower(k) == tolower(key)) { print trim(substr($0, index($0, "=") + 1)); exit }
        }' "$1"
}

# The profile Daridez reads: $XDG_CONFIG_HOME/daridez.ini, else ~/.config/daridez.ini.
profile_path() { echo "${XDG_CONFIG_HOME:-$HOME/.config}/daridez.ini"; }

# configured_port PROFILE: "SIO_CFG" "ComPort" read as its leading integer, default 2.
configured_port() {
    local value
    value=$(ini_get "$1" SIO_CFG ComPort)
    if [ -z "$value" ]; then
        echo 2
    elif [[ $value =~ ^[+-]?[0-9]+ ]]; then
        echo $((10#${BASH_REMATCH[0]#+}))
    else
        echo 0
    fi
}

# port_device PROFILE N: the device path port N stands for ("PORTS", "ComN"), with the
# default devices; empty for a number outside 1 to 4.
port_device() {
    local defaults=(/dev/ttyS0 /dev/ttyUSB0 /dev/ttyUSB1 /dev/ttyACM0)
    [ "$2" -ge 1 ] 2>/dev/null && [ "$2" -le 4 ] || return 0
    local value
    value=$(ini_get "$1" PORTS "Com$2")
    echo "${value:-${defaults[$2 - 1]}}"
}

# start_simulated_tracer SIM TMPDIR: starts the simulator on TMPDIR/ttyLIN0, writes
# TMPDIR/config/daridez.ini pointing port 2 at it, and sets SIM_PID, SIM_LINK,
# SIM_CONFIG_HOME and SIM_LDF_PATH. The simulator plays the schedule of the LDF SIM_LDF
# (by default the example cluster, examples/body-cluster.ldf; empty: its built-in
# schedule), and the profile names the same LDF, whose full path SIM_LDF_PATH holds
# ("" for none). Returns non-zero when the simulator does not come up.
start_simulated_tracer() {
    local sim=$1 dir=$2
    local ldf=${SIM_LDF-examples/body-cluster.ldf}
    local ldf_options=()
    SIM_LINK="$dir/ttyLIN0"
    SIM_CONFIG_HOME="$dir/config"
    SIM_LDF_PATH=""
    mkdir -p "$SIM_CONFIG_HOME"
    cat >"$SIM_CONFIG_HOME/daridez.ini" <<INI
[SIO_CFG]
ComPort=2
[PORTS]
Com1=/dev/ttyS0
Com2=$SIM_LINK
Com3=/dev/ttyUSB1
Com4=/dev/ttyACM0
INI
    if [ -n "$ldf" ]; then
        ldf=$(realpath "$ldf")
        SIM_LDF_PATH=$ldf
        ldf_options=("--ldf=$ldf")
        printf '[LDF]\nFile=%s\n' "$ldf" >>"$SIM_CONFIG_HOME/daridez.ini"
    fi
    "$sim" --link "$SIM_LINK" "${ldf_options[@]}" >"$dir/tracer-sim.log" 2>&1 &
    SIM_PID=$!
    local tries
    for tries in $(seq 50); do
        [ -e "$SIM_LINK" ] && return 0
        kill -0 "$SIM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "tracer-sim did not come up:" >&2
    cat "$dir/tracer-sim.log" >&2
    return 1
}

# stop_simulated_tracer: ends the simulator started above, if any.
stop_simulated_tracer() {
    if [ -n "${SIM_PID:-}" ]; then
        kill "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
        SIM_PID=
    fi
}

# start_simulated_tracer_session SIM NAME: start_simulated_tracer in a new temporary
# folder named after NAME, stopped and removed when the calling script ends.
start_simulated_tracer_session() {
    SIM_SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/$2.XXXXXX")
    trap 'stop_simulated_tracer; rm -rf "$SIM_SESSION_DIR"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    start_simulated_tracer "$1" "$SIM_SESSION_DIR"
}
