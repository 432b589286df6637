#!/usr/bin/env bash
# Measures the mixer beside its two floors in one run and prints a Markdown table. The floors:
# a bare Qt Widgets window, empty and with text (bench/qt_floor.cpp), and a bare JACK client
# that delivers the eight initialisation messages (bench/jack_floor.c). The mixer is both, so
# its start-up is held against the longer of the two.
#   start-up  exec to the start-up load's last message (Lock On) read from jack_midi_dump,
#             against exec to the Qt floor's "shown" line and to the JACK floor's last message
#             at the dump; RUNS starts each, interleaved, median;
#   memory    SETTLE_SECONDS after start-up: VmRSS and its anonymous/file/shared split, PSS,
#             and private memory (Private_Clean + Private_Dirty of smaps_rollup), which leaves
#             out what is shared with other processes, such as JACK's port table. As on a
#             desktop, another Qt program runs meanwhile (the floor with text), so that the
#             pages of Qt's libraries count as shared, as those of libjack do (the server and
#             the dump map them);
#   idle      CPU time and wake-ups (voluntary context switches) per thread over IDLE_SECONDS,
#             no Refresh box checked: once with the device open, once with "Close MIDI Device
#             if Minimized" = 1 and the window minimised, so that no port is open; threads are
#             named by the library they wait in (gdb);
#   handlers  a refresh tick and a whole load through the window (bench/load_bench).
# The Qt programs run under the same Qt platform (QT_QPA_PLATFORM, offscreen unless set) in a
# private HOME and XDG folders, against a private JACK server on the dummy driver whose
# jack_midi_dump input port is the mixer's device.
#
# Usage: bench/measure.sh [build folder]   (default: build; it needs sonexa-vireo-mixer,
#        bench/qt_floor, bench/libqt_floor_window.so, bench/jack_floor and bench/load_bench)
# Environment: RUNS (7), IDLE_SECONDS (10), SETTLE_SECONDS (1), JACK_PERIOD (frames, 256).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build=${1:-build}
runs=${RUNS:-7}
idle_seconds=${IDLE_SECONDS:-10}
settle_seconds=${SETTLE_SECONDS:-1}
jack_period=${JACK_PERIOD:-256}
mixer=$build/sonexa-vireo-mixer
floor=$build/bench/qt_floor
jack_floor=$build/bench/jack_floor
window_module=$build/bench/libqt_floor_window.so
load_bench=$build/bench/load_bench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export JACK_NO_START_SERVER=1
export JACK_DEFAULT_SERVER="vireo-measure-$$"

readonly lock_on="f0 43 10 49 01 00 01 01 f7"
readonly last_initialization="f0 43 10 4c 10 00 00 00 f7"
clock_ticks=$(getconf CLK_TCK)
readonly clock_ticks

die() {
    echo "measure.sh: $*" >&2
    exit 1
}

for tool in jackd jack_midi_dump jack_lsp; do
    command -v "$tool" >/dev/null || die "$tool is not installed"
done
for program in "$mixer" "$floor" "$jack_floor" "$window_module" "$load_bench"; do
    [[ -x $program ]] || die "$program is missing: build it first"
done

now_us() {
    local now=$EPOCHREALTIME
    echo "${now/./}"
}

# --- Private folders, hives and the settings file -------------------------------------------

tmp=$(mktemp -d /tmp/vireo-measure-XXXXXX)
jackd_pid=
dump_pid=
sharer_pid=
program_pid=

cleanup() {
    for pid in $program_pid $sharer_pid $dump_pid $jackd_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"_*
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The machine's hive: the first-run probe done, "Close MIDI Device if Minimized" = $1.
machine_preferences() {
    printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_LOCAL_MACHINE\SOFTWARE\Brenmark\Sonexa Vireo Mixer\1.0]' \
        '"Checked Device"=dword:00000001' \
        "\"Close MIDI Device if Minimized\"=dword:0000000$1" \
        >"$XDG_CONFIG_DIRS/sonexa-vireo-mixer/machine.reg"
}

prepare_home() {
    export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_CONFIG_DIRS=$tmp/xdg
    export XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/run
    mkdir -p "$HOME" "$XDG_CONFIG_HOME/sonexa-vireo-mixer" "$XDG_CONFIG_DIRS/sonexa-vireo-mixer" \
        "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    machine_preferences 0
    # "No Warning": the lock the file sets must not open the warning dialog at start.
    printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Brenmark\Sonexa Vireo Mixer\Settings]' \
        '"DeviceName"="midi-monitor:input"' \
        '"No Warning"=dword:00000001' \
        >"$XDG_CONFIG_HOME/sonexa-vireo-mixer/user.reg"
    # Every key, effects that all match, and a lock that ends the load with Lock On.
    printf '%s\r\n' '[Mixer Settings]' \
        'Volume Level=100' 'MIDI Level=127' 'MIDI Reverb Level=40' 'MIDI Chorus Level=0' \
        'A/D Part Level=127' 'Reverb Level=64' 'Chorus Level=0' 'Variation Level=0' \
        'Dry Level=127' 'Reverb Effect=Hall1' 'Chorus Effect=Chorus1' \
        'Variation Effect=Delay L,C,R' 'Lock=1' 'Periodic Refresh=0' >"$tmp/Bench.mix"
}

# --- JACK server and the dump ---------------------------------------------------------------

wait_for_port() {
    local pattern=$1
    for _ in $(seq 300); do
        jack_lsp 2>/dev/null | grep -q "$pattern" && return 0
        sleep 0.1
    done
    return 1
}

start_jack() {
    jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "$jack_period" >"$tmp/jackd.log" 2>&1 &
    jackd_pid=$!
    wait_for_port '^system:' || die "the private JACK server did not answer within 30 s"
    mkfifo "$tmp/dump.fifo" "$tmp/floor.fifo"
    exec {dump_fd}<>"$tmp/dump.fifo" {floor_fd}<>"$tmp/floor.fifo"
    jack_midi_dump 1>&"$dump_fd" 2>/dev/null &
    dump_pid=$!
    wait_for_port '^midi-monitor:input' || die "jack_midi_dump did not come up"
}

# Copies the dump's lines up to the first that contains $1; fails after 30 s. Started before
# the program, so that its own start does not compete with the program's. grep takes what the
# FIFO holds at once: bash's read takes one byte per system call, about 0.4 ms a line here,
# which would add 28 ms to the mixer's 71 messages and 3 ms to the JACK floor's 8.
until_line() {
    timeout 30 grep -m 1 -B 100000 -F -e "$1" <&"$dump_fd"
}

drain() {
    local fd=$1 line
    while read -r -t 0.3 -u "$fd" line; do :; done
    return 0
}

# --- Starting and ending the two programs ---------------------------------------------------

# Starts the mixer and waits for the start-up load's Lock On; sets program_pid, elapsed_us
# and load_messages.
start_mixer() {
    drain "$dump_fd"
    local start reader
    until_line "$lock_on" >"$tmp/received" &
    reader=$!
    sleep 0.1
    start=$(now_us)
    "$mixer" "$tmp/Bench.mix" >/dev/null 2>>"$tmp/mixer.err" &
    program_pid=$!
    wait "$reader" || die "no Lock On from the mixer within 30 s (stderr: $(tail -3 "$tmp/mixer.err"))"
    elapsed_us=$(($(now_us) - start))
    load_messages=$(grep -cE '^ *-?[0-9]+: [0-9a-f]{2}' "$tmp/received")
}

# Starts the floor (with its arguments) and waits for its "shown" line; sets program_pid and
# elapsed_us.
start_floor() {
    drain "$floor_fd"
    local start line
    start=$(now_us)
    "$floor" "$@" 1>&"$floor_fd" 2>/dev/null &
    program_pid=$!
    read -r -t 30 -u "$floor_fd" line || die "the floor program showed no window within 30 s"
    elapsed_us=$(($(now_us) - start))
    [[ $line == shown ]] || die "the floor program said \"$line\""
}

# Starts the JACK floor (with its arguments) and waits for its last message at the dump; sets
# program_pid and elapsed_us.
start_jack_floor() {
    drain "$dump_fd"
    local start reader
    until_line "$last_initialization" >/dev/null &
    reader=$!
    sleep 0.1
    start=$(now_us)
    "$jack_floor" "$@" midi-monitor:input >/dev/null 2>>"$tmp/jack_floor.err" &
    program_pid=$!
    wait "$reader" || die "no message from the JACK floor within 30 s ($(tail -3 "$tmp/jack_floor.err"))"
    elapsed_us=$(($(now_us) - start))
}

# Starts the mixer with "Close MIDI Device if Minimized" = 1, so that its window starts
# minimised without a notification area and no port is open; gives it SETTLE_SECONDS.
start_mixer_closed() {
    machine_preferences 1
    "$mixer" "$tmp/Bench.mix" >/dev/null 2>>"$tmp/mixer.err" &
    program_pid=$!
    sleep "$settle_seconds"
    machine_preferences 0
}

stop_program() {
    kill -TERM "$program_pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
}

# VmRSS, RssAnon, RssFile, RssShmem, Pss, Private_Clean + Private_Dirty and Private_Dirty of
# program_pid, in KiB.
memory_of() {
    awk '/^(VmRSS|RssAnon|RssFile|RssShmem):/ { printf "%s ", $2 }' "/proc/$program_pid/status"
    awk '/^Pss:/ { pss = $2 } /^Private_(Clean|Dirty):/ { private += $2 }
        /^Private_Dirty:/ { dirty = $2 }
        END { printf "%s %s %s\n", pss, private, dirty }' "/proc/$program_pid/smaps_rollup"
}

# --- Idle: per-thread CPU time and wake-ups -------------------------------------------------

# One line per thread of process $1: tid, utime+stime in ticks, voluntary and involuntary
# switches, name.
thread_snapshot() {
    local task tid stat rest name
    for task in /proc/"$1"/task/*; do
        tid=${task##*/}
        stat=$(<"$task/stat") || continue
        name=$(<"$task/comm")
        rest=${stat##*) }
        # shellcheck disable=SC2086
        set -- $rest
        echo "$tid $((${12} + ${13})) $(awk '/^voluntary_ctxt/ {v=$2} /^nonvoluntary_ctxt/ {n=$2}
            END {print v, n}' "$task/status") $name"
    done
}

# tid -> the first library other than the C library on the thread's stack ("program" for our
# own code, "main" for the event loop's thread). Attaching stops the process for a moment:
# done after the window.
thread_roles() {
    command -v gdb >/dev/null || return 0
    gdb -p "$1" -batch -nx -ex 'set pagination off' -ex 'thread apply all bt' 2>/dev/null |
        awk -v main="$1" '
        /^Thread [0-9]+ .*\(LWP [0-9]+\)/ {
            match($0, /LWP [0-9]+/); tid = substr($0, RSTART + 4, RLENGTH - 4); role[tid] = ""
            next
        }
        /^#[0-9]+ / && tid != "" && role[tid] == "" {
            if (match($0, / from [^ ]+$/)) {
                lib = substr($0, RSTART + 6); sub(/.*\//, "", lib); sub(/\.so.*/, "", lib)
                if (lib !~ /^(libc|ld-linux|libpthread)$/) role[tid] = lib
            } else if ($0 ~ / at \// && $0 !~ / at \.\.?\//) {
                role[tid] = "program"
            }
        }
        END { for (t in role) print t, (t == main ? "main" : (role[t] == "" ? "?" : role[t])) }'
}

# Measures the processes $3... over IDLE_SECONDS, labelled $2 (a space-separated list in the
# same order); appends one table row per thread to $1 and prints, per process,
# "cpu_ms main_wakeups all_wakeups".
measure_idle() {
    local rows=$1 labels pids=("${@:3}") before=() after=() roles=() i
    read -r -a labels <<<"$2"
    sleep "$settle_seconds"
    for i in "${!pids[@]}"; do before[i]=$(thread_snapshot "${pids[i]}"); done
    sleep "$idle_seconds"
    for i in "${!pids[@]}"; do after[i]=$(thread_snapshot "${pids[i]}"); done
    for i in "${!pids[@]}"; do roles[i]=$(thread_roles "${pids[i]}"); done
    for i in "${!pids[@]}"; do
        echo "| **${labels[i]}** | | | | | |" >>"$rows"
        awk -v ticks="$clock_ticks" -v main="${pids[i]}" -v rows="$rows" \
            -v before="${before[i]}" -v roles="${roles[i]}" '
            BEGIN {
                n = split(before, lines, "\n")
                for (i = 1; i <= n; i++) {
                    split(lines[i], f, " "); cpu[f[1]] = f[2]; vol[f[1]] = f[3]; inv[f[1]] = f[4]
                }
                n = split(roles, lines, "\n")
                for (i = 1; i <= n; i++) { split(lines[i], f, " "); role[f[1]] = f[2] }
            }
            {
                tid = $1; name = $5; for (i = 6; i <= NF; i++) name = name " " $i
                dcpu = ($2 - cpu[tid]) * 1000 / ticks; dvol = $3 - vol[tid]; dinv = $4 - inv[tid]
                total += dcpu; allwakes += dvol
                if (tid == main) mainwakes = dvol
                printf "| %s | %s | %s | %.0f | %d | %d |\n", tid, name,
                    (tid in role ? role[tid] : "?"), dcpu, dvol, dinv >> rows
            }
            END { printf "%.0f %d %d\n", total, mainwakes, allwakes }' <<<"${after[i]}"
    done
}

# --- Statistics -----------------------------------------------------------------------------

median() {
    tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ v[NR] = $1 } END {
        if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

range() {
    tr ' ' '\n' | grep -v '^$' | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print lo, hi }'
}

ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
mib() { awk -v kib="$1" 'BEGIN { printf "%.1f", kib / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
meets() { awk -v a="$1" -v b="$2" -v goal="$3" 'BEGIN { print (b > 0 && a <= goal * b ? "yes" : "**no**") }'; }

# --- The measurements -----------------------------------------------------------------------

prepare_home
start_jack

# Start-up and memory of one program: "mixer", "floor", "text" (the floor with text), "jack"
# (the JACK floor), "list" (the JACK floor that lists the ports first) or "both" (that floor,
# also showing the window with text, loaded with dlopen beside the JACK work).
declare -A times=() rss=() pss=() private=() split=()
measure_start() {
    case $1 in
    mixer) start_mixer ;;
    floor) start_floor ;;
    text) start_floor --text ;;
    jack) start_jack_floor ;;
    list) start_jack_floor --list ;;
    both) start_jack_floor --list --window "$window_module" ;;
    esac
    times[$1]+=" $elapsed_us"
    sleep "$settle_seconds"
    local total anon file shmem proportional own dirty_part
    read -r total anon file shmem proportional own dirty_part <<<"$(memory_of)"
    rss[$1]+=" $total"
    pss[$1]+=" $proportional"
    private[$1]+=" $own"
    split[$1]="$anon $file $shmem $dirty_part"
    stop_program
}

"$floor" --text >/dev/null 2>&1 &
sharer_pid=$!
sleep "$settle_seconds"
for run in $(seq "$runs"); do
    for program in mixer floor text jack list both; do measure_start "$program"; done
    echo "run $run/$runs done" >&2
done
kill "$sharer_pid"
wait "$sharer_pid" 2>/dev/null || true
sharer_pid=

echo "idle: ${idle_seconds} s of each program" >&2
rows=$tmp/threads.md
: >"$rows"
declare -A idle_cpu=() idle_wakes=() idle_all=()
start_mixer
{
    read -r "idle_cpu[mixer]" "idle_wakes[mixer]" "idle_all[mixer]"
    read -r "idle_cpu[dump]" "idle_wakes[dump]" "idle_all[dump]"
} < <(measure_idle "$rows" "mixer jack_midi_dump" "$program_pid" "$dump_pid")
stop_program
start_mixer_closed
read -r "idle_cpu[closed]" "idle_wakes[closed]" "idle_all[closed]" \
    < <(measure_idle "$rows" "mixer-with-no-port-open" "$program_pid")
read -r closed_rss _ _ _ closed_pss closed_private _ <<<"$(memory_of)"
stop_program
for program in floor text jack; do
    case $program in
    floor) start_floor && label=qt-floor ;;
    text) start_floor --text && label=qt-floor-with-text ;;
    jack) start_jack_floor && label=jack-floor ;;
    esac
    read -r "idle_cpu[$program]" "idle_wakes[$program]" "idle_all[$program]" \
        < <(measure_idle "$rows" "$label" "$program_pid")
    stop_program
done

echo "handlers: load_bench" >&2
bench_csv=$("$load_bench" --benchmark_format=csv --benchmark_min_time=0.5 2>/dev/null)
bench() { awk -F, -v name="\"$1\"" '$1 == name { printf "%.2f", $3 }' <<<"$bench_csv"; }
bench_messages() { awk -F, -v name="\"$1\"" '$1 == name { printf "%d", $NF }' <<<"$bench_csv"; }

# --- The table ------------------------------------------------------------------------------

declare -A start=() low=() high=() memory=() shared_part=() own=()
for program in mixer floor text jack list both; do
    start[$program]=$(median <<<"${times[$program]}")
    read -r low[$program] high[$program] <<<"$(range <<<"${times[$program]}")"
    memory[$program]=$(median <<<"${rss[$program]}")
    shared_part[$program]=$(median <<<"${pss[$program]}")
    own[$program]=$(median <<<"${private[$program]}")
done
startup() { echo "$(ms "${start[$1]}") ($(ms "${low[$1]}")–$(ms "${high[$1]}"))"; }
parts() {
    local a f s
    read -r a f s <<<"${split[$1]}"
    echo "$(mib "$a") / $(mib "$f") / $(mib "$s")"
}
longer() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b ? a : b) }'; }
sum() { awk -v a="$1" -v b="$2" 'BEGIN { print a + b }'; }
zero_met() { [[ $1 -eq 0 ]] && echo yes || echo '**no**'; }
start_floor_us=$(longer "${start[text]}" "${start[jack]}")
private_floor=$(sum "${own[text]}" "${own[jack]}")
dirty() {
    local a f s p
    read -r a f s p <<<"${split[$1]}"
    echo "$p"
}

cat <<EOF
Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg);
Qt platform $QT_QPA_PLATFORM; private JACK server, dummy driver, 48 kHz, period $jack_period frames.
Qt floor: bench/qt_floor, one empty window; "with text": the same window with a label and a button.
JACK floor: bench/jack_floor, a JACK client that delivers the eight initialisation messages.

| Measure | Mixer | Qt floor | Qt floor with text | JACK floor | Mixer / floor | Goal | Met |
|---|--:|--:|--:|--:|--:|---|---|
| Start-up to the load's last message (mixer, JACK floor) or the window shown (Qt floors), ms, median of $runs (min–max) | $(startup mixer) | $(startup floor) | $(startup text) | $(startup jack) | $(ratio "${start[mixer]}" "$start_floor_us") | ≤ 1.3 × the longer of the floor with text and the JACK floor ($(ms "$start_floor_us")) | $(meets "${start[mixer]}" "$start_floor_us" 1.3) |
| Resident set ${settle_seconds} s after start-up, MiB, median | $(mib "${memory[mixer]}") | $(mib "${memory[floor]}") | $(mib "${memory[text]}") | $(mib "${memory[jack]}") | | | |
| of it anonymous / file / shared memory, MiB | $(parts mixer) | $(parts floor) | $(parts text) | $(parts jack) | | | |
| Proportional set (PSS), MiB, median | $(mib "${shared_part[mixer]}") | $(mib "${shared_part[floor]}") | $(mib "${shared_part[text]}") | $(mib "${shared_part[jack]}") | | | |
| Private memory (Private_Clean + Private_Dirty), MiB, median | $(mib "${own[mixer]}") | $(mib "${own[floor]}") | $(mib "${own[text]}") | $(mib "${own[jack]}") | $(ratio "${own[mixer]}" "$private_floor") | reported beside floor with text + JACK floor ($(mib "$private_floor")) | |
| of it dirty (Private_Dirty: heap, stacks, written data), MiB, last run | $(mib "$(dirty mixer)") | $(mib "$(dirty floor)") | $(mib "$(dirty text)") | $(mib "$(dirty jack)") | | | |
| Idle with a port open, CPU time over ${idle_seconds} s, all threads, ms | ${idle_cpu[mixer]} | ${idle_cpu[floor]} | ${idle_cpu[text]} | ${idle_cpu[jack]} | | | |
| Idle with a port open, wake-ups over ${idle_seconds} s, all threads | ${idle_all[mixer]} | ${idle_all[floor]} | ${idle_all[text]} | ${idle_all[jack]} | | | |
| Idle with a port open, wake-ups of the main (event loop) thread over ${idle_seconds} s | ${idle_wakes[mixer]} | ${idle_wakes[floor]} | ${idle_wakes[text]} | ${idle_wakes[jack]} | | 0 | $(zero_met "${idle_wakes[mixer]}") |
| Idle with no port open ("Close MIDI Device if Minimized" = 1, window minimised), CPU time over ${idle_seconds} s, all threads, ms | ${idle_cpu[closed]} | | | | | | |
| Idle with no port open, wake-ups over ${idle_seconds} s, all threads | ${idle_all[closed]} | | | | | 0 | $(zero_met "${idle_all[closed]}") |
| Idle with no port open, resident set / PSS / private memory, MiB | $(mib "$closed_rss") / $(mib "$closed_pss") / $(mib "$closed_private") | | | | | | |
| Refresh tick, master volume only ($(bench_messages BM_RefreshTickMaster) message), µs | $(bench BM_RefreshTickMaster) | | | | | | |
| Refresh tick, both boxes, MIDI panel unfolded ($(bench_messages BM_RefreshTickBoth) messages), µs | $(bench BM_RefreshTickBoth) | | | | | | |
| Whole load of a settings file ($(bench_messages BM_LoadSettingsFile) messages), µs | $(bench BM_LoadSettingsFile) | | | | | | |
| Creation of the mixer window with its start-up load, µs | $(bench BM_CreateMixerWindow) | | | | | | |

The start-up load sent $load_messages messages to jack_midi_dump; their arrival there includes up to
two JACK periods ($(awk -v p="$jack_period" 'BEGIN { printf "%.1f", 2 * p / 48 }') ms) of delivery. Handler times are wall-clock, over the simulated service.
Against the longer of the floor with text and the JACK floor that first lists the MIDI input
ports, as the mixer must to find its device ($(startup list) ms), the mixer's start-up is
$(ratio "${start[mixer]}" "$(longer "${start[text]}" "${start[list]}")") times as long; that floor's private memory is $(mib "${own[list]}") MiB.
A program that is both floors at once, the listing JACK floor whose JACK work starts at exec on
a thread while its main thread loads Qt with dlopen and shows the window with text, delivers
in $(startup both) ms: the mixer's start-up is $(ratio "${start[mixer]}" "${start[both]}") times as long.
jack_midi_dump, an idle JACK client beside the mixer, used ${idle_cpu[dump]} ms of CPU in the same ${idle_seconds} s.

Idle threads over ${idle_seconds} s (wake-ups = voluntary context switches; "waits in" = the first
library other than the C library on the thread's stack afterwards):

| Thread | Name | Waits in | CPU ms | Wake-ups | Preempted |
|---|---|---|--:|--:|--:|
$(cat "$rows")
EOF
