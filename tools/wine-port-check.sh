#!/usr/bin/env bash
# daridez-dump.exe --port and daridez-extcap.exe run under wine against the simulated
# tracer: wine opens COM5 where $WINEPREFIX/dosdevices/com5 links to the simulator's
# pseudo-terminal. The Linux build decodes what was recorded, to compare with.
#   tools/wine-port-check.sh WINDOWS_BUILD LINUX_BUILD
# Every wait is for a condition, with a deadline generous enough for a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."

WIN=${1:?usage: tools/wine-port-check.sh WINDOWS_BUILD LINUX_BUILD}
LINUX=${2:?usage: tools/wine-port-check.sh WINDOWS_BUILD LINUX_BUILD}
PATIENCE=${PATIENCE:-120}  # seconds, for anything that should take one or two

cmake --build "$WIN" --target daridez-dump daridez-extcap >/dev/null
cmake --build "$LINUX" --target tracer-sim daridez-dump >/dev/null

WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/$WIN/wine" WINEDEBUG=-all
WORK=$(mktemp -d)
SIM_PID=""
EXTCAP_PID=""
failures=0

finish() {
    [ -n "$EXTCAP_PID" ] && kill -9 "$EXTCAP_PID" 2>/dev/null
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap finish EXIT

fail() {
    echo "wine port check: FAIL: $*" >&2
    failures=$((failures + 1))
}

pass() { echo "wine port check: ok: $*"; }

# wait_for SECONDS COMMAND...: true as soon as COMMAND succeeds, false when time runs out.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# The Windows path wine gives a file of this machine.
winpath() { echo "Z:${1//\//\\}"; }

# run_exe PROGRAM ARGS...: the program under wine.
run_exe() {
    local program=$1
    shift
    "$WINE" "$PWD/$WIN/bin/$program.exe" "$@"
}

# start_sim ARGS...: tracer-sim on a fresh pseudo-terminal, COM5 linked to it.
start_sim() {
    local link="$WORK/ttyLIN"
    rm -f "$link"
    "$LINUX/bin/tracer-sim" --link "$link" "$@" >"$WORK/sim.log" 2>&1 &
    SIM_PID=$!
    wait_for "$PATIENCE" test -e "$link" || { fail "tracer-sim did not start"; return 1; }
    mkdir -p "$WINEPREFIX/dosdevices"
    ln -sfn "$(readlink -f "$link")" "$WINEPREFIX/dosdevices/com5"
}

stop_sim() {
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=""
}

# The first run sets up wine's folder, and says so.
"$WINE" "$PWD/$WIN/bin/daridez-dump.exe" --help >/dev/null 2>&1 || true

# daridez-dump.exe --port: the rows printed are those of the trace tracer-sim sent, and
# the recording made on the way loads back as the same rows.
check_dump() {
    start_sim --record "$WORK/sent.dump" || return 0
    local status=0
    run_exe daridez-dump --port=COM5 --duration=2 --record="$(winpath "$WORK/kept.dump")" \
        >"$WORK/live.txt" 2>"$WORK/live.err" || status=$?
    stop_sim
    local rows
    rows=$(grep -c . "$WORK/live.txt" || true)
    if [ "$status" -ne 0 ] || [ "$rows" -lt 5 ]; then
        fail "daridez-dump.exe --port=COM5: status $status, $rows rows: $(cat "$WORK/live.err")"
        return 0
    fi
    "$LINUX/bin/daridez-dump" "$WORK/sent.dump" | head -n "$((rows - 1))" >"$WORK/sent.txt"
    if head -n "$((rows - 1))" "$WORK/live.txt" | cmp -s - "$WORK/sent.txt"; then
        pass "daridez-dump.exe --port=COM5 printed the $rows rows tracer-sim sent"
    else
        fail "daridez-dump.exe --port=COM5 rows differ from what tracer-sim sent:"
        head -n "$((rows - 1))" "$WORK/live.txt" | diff - "$WORK/sent.txt" | head -5 >&2
    fi
    if "$LINUX/bin/daridez-dump" "$WORK/kept.dump" | cmp -s - "$WORK/live.txt"; then
        pass "daridez-dump.exe --record's file loads back as the rows printed"
    else
        fail "daridez-dump.exe --record's file loads back otherwise:"
        "$LINUX/bin/daridez-dump" "$WORK/kept.dump" | diff - "$WORK/live.txt" | head -5 >&2
    fi
}

# message FILE: what a program said on standard error, its lines ended as on Linux
# (standard error is a text stream on Windows: CR LF), without the state wine's server
# may dump there when it started with the program.
message() { tr -d '\r' <"$1" | grep -a -v -E '^(0x[0-9a-f]+:|[[:space:]])' || true; }

# A COM port that is not there: the window's message, status 1, from both programs.
check_missing_port() {
    local status=0
    run_exe daridez-dump --port=COM9 --duration=1 >/dev/null 2>"$WORK/missing.err" || status=$?
    if [ "$status" -eq 1 ] &&
        [ "$(message "$WORK/missing.err")" = "daridez-dump: COM9: no such device" ]; then
        pass "daridez-dump.exe --port=COM9 (missing): the message and status 1"
    else
        fail "daridez-dump.exe --port=COM9 (missing): status $status: $(message "$WORK/missing.err")"
    fi
    status=0
    run_exe daridez-extcap --extcap-interface daridez-COM9 --capture \
        --fifo "$(winpath "$WORK/missing.pcapng")" 2>"$WORK/missing.err" || status=$?
    if [ "$status" -eq 1 ] && [ "$(message "$WORK/missing.err")" = "COM9: no such device" ]; then
        pass "daridez-extcap.exe on a missing COM9: the message and status 1"
    else
        fail "daridez-extcap.exe on a missing COM9: status $status: $(message "$WORK/missing.err")"
    fi
}

rows_over() {
    local rows
    rows=$(grep -c . "$1" 2>/dev/null) || true
    [ "${rows:-0}" -gt "$2" ]
}
gone() { ! kill -0 "$1" 2>/dev/null; }

# Ctrl+C (wine hands a SIGINT to the console program as Ctrl+C) stops the trace with
# status 0, long before the duration would have, and the trace ends as it should: the
# status line --summary prints last is there (the system's own handler would end the
# program before it).
check_ctrl_c() {
    start_sim || return 0
    "$WINE" "$PWD/$WIN/bin/daridez-dump.exe" --port=COM5 --duration=3600 --summary \
        >"$WORK/ctrlc.txt" 2>"$WORK/ctrlc.err" &
    local pid=$! status=0
    wait_for "$PATIENCE" rows_over "$WORK/ctrlc.txt" 10 || true
    kill -INT "$pid" 2>/dev/null || true
    if ! wait_for "$PATIENCE" gone "$pid"; then
        kill -9 "$pid" 2>/dev/null || true
    fi
    wait "$pid" || status=$?
    stop_sim
    if [ "$status" -eq 0 ] && rows_over "$WORK/ctrlc.txt" 10 &&
        tail -n 1 "$WORK/ctrlc.txt" | tr -d '\r' | grep -q -E '^active: .*FRMs: [0-9]+'; then
        pass "daridez-dump.exe stopped by Ctrl+C: status 0"
    else
        fail "daridez-dump.exe stopped by Ctrl+C: status $status, last line" \
            "$(tail -n 1 "$WORK/ctrlc.txt"): $(message "$WORK/ctrlc.err")"
    fi
}

# The simulated tracer ends while daridez-dump.exe traces it: the window's message and
# status 1, long before the duration would have ended the trace.
check_vanished() {
    start_sim || return 0
    "$WINE" "$PWD/$WIN/bin/daridez-dump.exe" --port=COM5 --duration=3600 \
        >"$WORK/vanish.txt" 2>"$WORK/vanish.err" &
    local pid=$! status=0
    wait_for "$PATIENCE" rows_over "$WORK/vanish.txt" 10 || true
    stop_sim
    if ! wait_for "$PATIENCE" gone "$pid"; then
        kill -9 "$pid" 2>/dev/null || true
    fi
    wait "$pid" || status=$?
    if [ "$status" -eq 1 ] &&
        [ "$(message "$WORK/vanish.err")" = "daridez-dump: COM5: device disconnected" ]; then
        pass "daridez-dump.exe on a tracer that vanished: the message and status 1"
    else
        fail "daridez-dump.exe on a tracer that vanished: status $status: $(message "$WORK/vanish.err")"
    fi
}

bigger_than() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt "$2" ]; }

# The extcap captures into a file (what Wireshark's pipe path would be) until it is
# killed hard, as Wireshark ends it on Windows: every packet written is whole.
check_extcap() {
    start_sim || return 0
    local capture="$WORK/capture.pcapng"
    "$WINE" "$PWD/$WIN/bin/daridez-extcap.exe" --extcap-interface daridez-COM5 --capture \
        --fifo "$(winpath "$capture")" 2>"$WORK/extcap.err" &
    EXTCAP_PID=$!
    if ! wait_for "$PATIENCE" bigger_than "$capture" 2000; then
        fail "daridez-extcap.exe wrote no packets: $(cat "$WORK/extcap.err")"
    fi
    kill -9 "$EXTCAP_PID" 2>/dev/null || true
    wait "$EXTCAP_PID" 2>/dev/null || true
    EXTCAP_PID=""
    stop_sim
    if ! command -v tshark >/dev/null; then
        echo "wine port check: no tshark: the extcap's capture not read back"
        return 0
    fi
    # A packet cut short makes tshark say so and end with status 2.
    local status=0
    tshark -r "$capture" >"$WORK/packets.txt" 2>"$WORK/tshark.err" || status=$?
    local packets
    packets=$(grep -c . "$WORK/packets.txt" || true)
    if [ "$status" -eq 0 ] && [ "$packets" -gt 0 ]; then
        pass "daridez-extcap.exe killed hard: tshark reads its $packets packets, all whole"
    else
        fail "daridez-extcap.exe killed hard: tshark status $status: $(cat "$WORK/tshark.err")"
    fi
}

# --install-user copies the program into the personal extcap folder below %APPDATA%;
# --uninstall-user removes the copy.
check_install_user() {
    local folder
    folder=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Roaming' | head -n 1)
    local copy="$folder/Wireshark/extcap/daridez-extcap.exe"
    run_exe daridez-extcap --install-user >/dev/null || true
    if [ -n "$folder" ] && cmp -s "$copy" "$WIN/bin/daridez-extcap.exe"; then
        pass "daridez-extcap.exe --install-user copied it into AppData\\Roaming\\Wireshark\\extcap"
    else
        fail "daridez-extcap.exe --install-user: no copy at $copy"
    fi
    run_exe daridez-extcap --uninstall-user >/dev/null || true
    if [ -n "$folder" ] && [ ! -e "$copy" ]; then
        pass "daridez-extcap.exe --uninstall-user removed the copy"
    else
        fail "daridez-extcap.exe --uninstall-user left $copy"
    fi
}

check_dump
check_missing_port
check_vanished
check_ctrl_c
check_extcap
check_install_user

if [ "$failures" -gt 0 ]; then
    echo "wine port check: $failures failed" >&2
    exit 1
fi
echo "wine port check: all passed"
