#!/usr/bin/env bash
# What Ostrak.exe costs while it idles in the tray under Wine and nothing changes on screen:
# processor time over a quiet minute and the resident set, beside a Wine program that idles
# the same way, so that the reader can tell our share from Wine's own. Each "label=file" runs
# the program once more with that file as the user's time log: what a long log costs.
# Usage: idle-cost.sh [path/to/Ostrak.exe] [label=time-log.xml ...]   (builds nothing: run
# `make windows` first)
# Environment: OSTRAK_IDLE_SECONDS (60), OSTRAK_IDLE_SETTLE (5), OSTRAK_IDLE_WINEPREFIX,
# OSTRAK_IDLE_PEAK_MIB (100: the most a run with a time log may take at its peak).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

settle=${OSTRAK_IDLE_SETTLE:-5}
window=${OSTRAK_IDLE_SECONDS:-60}
# A prefix of its own: the test tier stops the server of build/wineprefix when it ends, which
# would cut a measurement short, and stopping ours must not end someone else's tests.
export WINEPREFIX=${OSTRAK_IDLE_WINEPREFIX:-$root/build/wineprefix-idle}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

stop_wine() { timeout 30 "$wineserver" -k >/dev/null 2>&1; timeout 30 "$wineserver" -w >/dev/null 2>&1; true; }

# Other prefixes on this machine may run programs and servers of their own (the test tier
# starts Ostrak.exe too): only processes started with our prefix count.
in_our_prefix() {
    { tr '\0' '\n' < "/proc/$1/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"
}

# The Linux process that runs a Windows program: Wine puts the program's path first on its
# command line, so the launcher and any wrapper around it do not match.
find_process() {
    local name=$1 pid first
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        first=$({ tr '\0' '\n' < "/proc/$pid/cmdline"; } 2>/dev/null | head -n 1) || continue
        first=${first%"${first##*[![:space:]]}"}
        first=${first##*[/\\]}
        if [ "${first,,}" = "${name,,}" ] && in_our_prefix "$pid"; then echo "$pid"; return 0; fi
    done
    return 1
}

find_wineserver() {
    local pid
    for pid in $(pgrep -x 'wineserver(64)?'); do
        if in_our_prefix "$pid"; then echo "$pid"; return 0; fi
    done
    return 1
}

# utime + stime of the whole process, in clock ticks (the fields after the parenthesised name).
cpu_ticks() {
    local stat rest
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    rest=${stat##*) }
    read -r -a fields <<< "$rest"
    echo $(( fields[11] + fields[12] ))
}

# Nanoseconds on the processor, summed over the live threads: finer than clock ticks, which
# an idle minute may not even fill.
cpu_nanoseconds() {
    local total=0 task run
    for task in /proc/"$1"/task/*; do
        { read -r run _ < "$task/schedstat"; } 2>/dev/null || continue
        total=$(( total + run ))
    done
    echo "$total"
}

# Context switches over all threads: each one is a wake-up of the process.
switches() {
    local total=0 task count
    for task in /proc/"$1"/task/*; do
        count=$(awk '/^(non)?voluntary_ctxt_switches:/ { sum += $2 } END { print sum + 0 }' "$task/status" 2>/dev/null)
        total=$(( total + ${count:-0} ))
    done
    echo "$total"
}

peak_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
resident_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# Runs one Windows program on a fresh server, lets it settle, and prints one result line:
# label, processor seconds by ticks, processor milliseconds by the scheduler, the server's
# milliseconds, wake-ups per second, peak resident KiB, resident KiB at the end. Run inside
# Xvfb.
measure() {
    local label=$1 name=$2; shift 2
    stop_wine
    timeout --kill-after=10 $(( settle + window + 60 )) "$wine" "$@" >/dev/null 2>&1 &
    local launcher=$! pid="" waited
    for waited in $(seq 1 60); do
        pid=$(find_process "$name") && break
        kill -0 "$launcher" 2>/dev/null || break
        sleep 0.5
    done
    if [ -z "$pid" ]; then
        echo "$label: $name did not start" >&2
        stop_wine
        return 1
    fi
    sleep "$settle"
    local server ticks0 ns0 server0 switches0 ticks1 ns1 server1 switches1 peak
    server=$(find_wineserver) || server=""
    ticks0=$(cpu_ticks "$pid"); ns0=$(cpu_nanoseconds "$pid"); switches0=$(switches "$pid")
    server0=$([ -n "$server" ] && cpu_nanoseconds "$server" || echo 0)
    sleep "$window"
    if ! ticks1=$(cpu_ticks "$pid"); then
        echo "$label: $name ended during the measurement" >&2
        stop_wine
        return 1
    fi
    ns1=$(cpu_nanoseconds "$pid"); switches1=$(switches "$pid"); peak=$(peak_kib "$pid"); resident=$(resident_kib "$pid")
    server1=$([ -n "$server" ] && cpu_nanoseconds "$server" || echo 0)
    stop_wine
    wait "$launcher" 2>/dev/null
    echo "$label|$(( ticks1 - ticks0 ))|$(( ns1 - ns0 ))|$(( server1 - server0 ))|$(( switches1 - switches0 ))|$peak|$resident"
}

inside() {
    local folder=$1 ours baseline line lines=() label
    shift
    ours=$(measure "Ostrak.exe -tray" Ostrak.exe "$folder/Ostrak.exe" -tray) || return 1
    lines+=("$ours")
    # The same program in a folder of its own per time log, the log under the name it reads.
    local user
    user=$(timeout 60 "$wine" cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
    for label in "$@"; do
        local log=${label#*=} logged=$folder/${#lines[@]}
        label="Ostrak.exe -tray, ${label%%=*}"
        mkdir -p "$logged"
        cp "$folder/Ostrak.exe" "$logged/Ostrak.exe"
        cp "$log" "$logged/$user-Time.xml"
        line=$(measure "$label" Ostrak.exe "$logged/Ostrak.exe" -tray) || line="$label||||||"
        # A log the program could not read would have been set aside: the figures would not be
        # those of a loaded log.
        if compgen -G "$logged/*-Time.unreadable-*" >/dev/null || [ ! -f "$logged/$user-Time.xml" ]; then
            echo "$label: the log was not loaded" >&2
            line="$label||||||"
        fi
        lines+=("$line")
    done
    # Notepad stands for Wine's own cost of a program with a window and a message loop.
    baseline=$(measure "notepad.exe (Wine)" notepad.exe notepad) || baseline="notepad.exe (Wine)||||||"
    lines+=("$baseline")
    local hertz
    hertz=$(getconf CLK_TCK)
    {
        echo "program|CPU s (ticks)|CPU ms (scheduler)|wineserver ms|wake-ups/s|peak RSS MiB|RSS MiB at the end"
        for line in "${lines[@]}"; do
            IFS='|' read -r label ticks ns server count peak resident <<< "$line"
            if [ -z "$ticks" ]; then echo "$label|-|-|-|-|-|-"; continue; fi
            awk -v l="$label" -v t="$ticks" -v hz="$hertz" -v ns="$ns" -v s="$server" -v c="$count" \
                -v w="$window" -v p="$peak" -v r="$resident" \
                'BEGIN { printf "%s|%.2f|%.1f|%.1f|%.1f|%.1f|%.1f\n", l, t / hz, ns / 1e6, s / 1e6, c / w, p / 1024, r / 1024 }'
        done
    } | column -t -s '|'
    # The target for runs with a time log: the peak resident set.
    local limit=${OSTRAK_IDLE_PEAK_MIB:-100}
    for line in "${lines[@]:1:$#}"; do
        IFS='|' read -r label _ _ _ _ peak _ <<< "$line"
        if [ -z "$peak" ]; then echo "Target: $label peaks at most $limit MiB: not measured"; continue; fi
        awk -v l="$label" -v p="$peak" -v limit="$limit" \
            'BEGIN { printf "Target: %s peaks at most %d MiB: %s (%.1f)\n", l, limit, p / 1024 <= limit ? "holds" : "MISSED", p / 1024 }'
    done
}

if [ "${1:-}" = "--inside" ]; then
    shift
    inside "$@"
    exit $?
fi

exe=${1:-$root/build/dist/Ostrak.exe}
[ $# -gt 0 ] && shift
logs=()
for label in "$@"; do
    if [ ! -f "${label#*=}" ]; then
        echo "idle-cost: ${label#*=} not found" >&2
        exit 1
    fi
    file=${label#*=}
    logs+=("${label%%=*}=$(cd "$(dirname "$file")" && pwd)/$(basename "$file")")
done
if [ ! -f "$exe" ]; then
    echo "idle-cost: $exe not found; build it with 'make windows'" >&2
    exit 1
fi

folder=$(mktemp -d "${TMPDIR:-/tmp}/ostrak-idle.XXXXXX")
cleanup() { stop_wine; rm -rf "$folder"; }
trap cleanup EXIT
cp "$exe" "$folder/Ostrak.exe"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "preparing the Wine prefix in $WINEPREFIX"
    timeout 180 "$wine" wineboot -i >/dev/null 2>&1
    timeout 60 "$wineserver" -w
fi

echo
echo "Idle cost under Wine: ${window} s with no window change, after ${settle} s to settle (Xvfb, fresh program folder)"
timeout --kill-after=30 $(( (2 + ${#logs[@]}) * (settle + window) + 300 )) \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$folder" "${logs[@]}"
status=$?
echo "CPU over the ${window} s of the program's own process; wineserver ms is the server's time in the same span."
echo "RSS at the end is what the program keeps after the load; the peak includes the load itself."
exit $status
