#!/bin/sh
# A hostile dump file under a real memory limit: 100 MB of the two bytes 01 42 (a bad
# frame each, so 52 million rows, 36 GB of them) loaded by daridez-dump inside a memory
# control group limited to 2 GB. The row budget must end the load with "Running out of
# memory..." and status 1; status 137 would mean the kernel's out-of-memory killer.
#
# Usage: bench/hostile-cgroup.sh [path/to/daridez-dump]   (default: build/bin/daridez-dump)
# Needs root and a memory controller. Exit status: 0 when the tool ended as it must, or
# when no control group could be made (then it says so); 1 when it ended otherwise.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
dump=${1:-$root/build/bin/daridez-dump}
limit=$((2 * 1024 * 1024 * 1024))
fs=/sys/fs/cgroup

if [ ! -x "$dump" ]; then
    echo "no daridez-dump at $dump: build it first" >&2
    exit 1
fi

# Makes the group and sets its limit; prints its folder and the files holding its peak
# and its out-of-memory kills. cgroup v2: a child of the root, the only group that may
# both hold processes and hand the memory controller to its children. cgroup v1: a child
# of the group this shell is in, so whatever limits that group still applies.
make_group() {
    name=daridez-hostile-$$
    if [ -f "$fs/cgroup.controllers" ]; then
        grep -qw memory "$fs/cgroup.subtree_control" 2>/dev/null ||
            echo +memory >"$fs/cgroup.subtree_control" 2>/dev/null || return 1
        dir=$fs/$name
        mkdir "$dir" 2>/dev/null || return 1
        if ! echo "$limit" >"$dir/memory.max" 2>/dev/null; then
            rmdir "$dir"
            return 1
        fi
        echo "$dir memory.peak memory.events"
    elif [ -f "$fs/memory/memory.limit_in_bytes" ]; then
        own=$(sed -n 's/^[0-9]*:\([^:]*,\)\{0,1\}memory\(,[^:]*\)\{0,1\}:\(.*\)$/\3/p' /proc/self/cgroup)
        dir=$fs/memory${own%/}/$name
        mkdir "$dir" 2>/dev/null || return 1
        if ! echo "$limit" >"$dir/memory.limit_in_bytes" 2>/dev/null; then
            rmdir "$dir"
            return 1
        fi
        echo "$dir memory.max_usage_in_bytes memory.oom_control"
    else
        return 1
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/hostile-cgroup.XXXXXX") || exit 1
group=
cleanup() {
    [ -n "$group" ] && rmdir "$group" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

set -- $(make_group) || true
if [ $# -ne 3 ]; then
    echo "no memory control group could be made here (needs root and a memory controller):" \
        "nothing run"
    exit 0
fi
group=$1
peak_file=$2
events_file=$3

file=$work/hostile.dump
yes "$(printf '\001\102')" | tr -d '\n' | head -c $((100 * 1024 * 1024)) >"$file"
echo "file:    $(wc -c <"$file") bytes of 01 42"
echo "group:   $group, limit $((limit / 1024 / 1024)) MB"

start=$(date +%s%N)
# The shell moves itself into the group, then becomes daridez-dump.
sh -c 'echo $$ >"$1/cgroup.procs" && shift && exec "$@"' sh "$group" "$dump" "$file" \
    >/dev/null 2>"$work/stderr"
status=$?
end=$(date +%s%N)

echo "status:  $status"
echo "stderr:  $(cat "$work/stderr")"
echo "time:    $(((end - start) / 1000000)) ms"
echo "peak:    $(($(cat "$group/$peak_file") / 1024 / 1024)) MB ($peak_file)"
echo "kills:   $(grep -w oom_kill "$group/$events_file" 2>/dev/null || echo "not reported") ($events_file)"

if [ "$status" -eq 1 ] && [ "$(cat "$work/stderr")" = "Running out of memory..." ]; then
    echo "result:  ended with the message and status 1, as it must"
    exit 0
fi
echo "result:  ended otherwise (137 is the out-of-memory killer)"
exit 1
