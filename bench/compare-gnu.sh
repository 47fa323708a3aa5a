#!/usr/bin/env bash
# brisklet-clean beside the nearest GNU tool of each switch, and beside cat, on a generated
# PureBasic-like source, file to file (tool < source > output) and pipe to pipe
# (cat source | tool | cat > output): best wall time of RUNS tries (default 3) and
# brisklet-clean's peak memory (maximum resident set, /usr/bin/time). Then four switches
# together against the slowest of them alone, and the time and peak memory on a 1 GB source
# beside the first size (linear: ten times the input, at most ten times the time, with a
# fifth to spare for a busy machine), and the peak memory for one line of LINE_MB megabytes
# (default 100) with each switch, with several and as a diff. Prints Markdown tables; exits 1
# when an aim is missed.
# Usage: bench/compare-gnu.sh [MEGABYTES]   (default 100; GB=0 skips the 1 GB memory run)
# Needs build/bench/brisklet_bench (cmake --preset bench) and build/native/brisklet-clean
# (cmake --preset native); BRISKLET_BENCH and BRISKLET_CLEAN point elsewhere.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench=${BRISKLET_BENCH:-$root/build/bench/brisklet_bench}
clean=${BRISKLET_CLEAN:-$root/build/native/brisklet-clean}
megabytes=${1:-100}
tab=4
runs=${RUNS:-3}
gigabyte=${GB:-1}
line_megabytes=${LINE_MB:-100}

for program in "$bench" "$clean" /usr/bin/time; do
    [ -x "$program" ] || { echo "compare-gnu.sh: $program: not found or not built" >&2; exit 2; }
done

# The GNU tools at their fastest: no multibyte handling.
export LC_ALL=C

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
output=$work/output.pb
memory=$work/memory

# switch | GNU command standing in for it
rows=(
    "/removespacesatendoflines|sed -E 's/[ \t]+\$//'"
    "/removespacesatstartoflines|sed -E 's/^[ \t]+//'"
    "/removeemptylines|sed -E '/^[ \t]*\$/d'"
    "/removedebuglines|grep -v 'Debug '"
    "/removecomments|sed -E 's/;.*\$//'"
    "/removeallspaces|tr -d ' '"
    "/removedoublespaces|tr -s ' '"
    "/converttexttouppercaseletters|tr a-z A-Z"
    "/converttexttolowercaseletters|tr A-Z a-z"
    "/converttabtospace|expand -i -t $tab"
    "/convertspacetotab|unexpand --first-only -t $tab"
)
four="/removecomments /removespacesatendoflines /removeemptylines /converttabtospace"

# Runs a command between $input and $output, file to file or pipe to pipe; exits on failure.
run_once() {
    local mode=$1 command=$2
    if [ "$mode" = file ]; then
        eval "$command" <"$input" >"$output"
    else
        cat "$input" | eval "$command" | cat >"$output"
    fi || { echo "compare-gnu.sh: failed: $command" >&2; exit 2; }
}

# Best wall time in microseconds of RUNS tries.
best_microseconds() {
    local mode=$1 command=$2 best= run start end elapsed
    for ((run = 0; run < runs; run++)); do
        # A fresh output file: truncating the last run's 100 MB would be timed as the tool's.
        rm -f "$output"
        start=${EPOCHREALTIME/./}
        run_once "$mode" "$command"
        end=${EPOCHREALTIME/./}
        elapsed=$((end - start))
        if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    done
    echo "$best"
}

# brisklet-clean with its switches, its peak memory in KiB left in $memory.
own() { echo "/usr/bin/time -f %M -o '$memory' '$clean' --tab-length $tab $*"; }
peak_kib() { tail -n 1 "$memory"; }

rate() { awk -v bytes="$1" -v us="$2" 'BEGIN { printf "%.0f", bytes / (us > 0 ? us : 1) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / (b > 0 ? b : 1) }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
at_least() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }

input=$work/source.pb
"$bench" --generate $((megabytes * 1000000)) "$input"
bytes=$(wc -c <"$input")
cat "$input" >/dev/null # into the page cache before anything is timed

declare -A cat_time own_time own_peak
for mode in file pipe; do
    cat_time[$mode]=$(best_microseconds "$mode" cat)
done

echo
echo "A $megabytes MB source ($bytes bytes), tab length $tab, the best of $runs runs."
echo
echo "cat: file to file $(rate "$bytes" "${cat_time[file]}") MB/s, pipe to pipe $(rate "$bytes" "${cat_time[pipe]}") MB/s"
# brisklet-clean with only an IDE-only switch (a run needs one) reads and writes and changes
# nothing: the floor of every switch.
floor_file=$(best_microseconds file "$(own /keepcursorandfolds)")
floor_pipe=$(best_microseconds pipe "$(own /keepcursorandfolds)")
echo
echo "brisklet-clean with only /keepcursorandfolds: file to file $(rate "$bytes" "$floor_file") MB/s, pipe to pipe $(rate "$bytes" "$floor_pipe") MB/s"
echo
echo "| Switch | GNU tool | Mode | GNU MB/s | brisklet-clean MB/s | × GNU | × cat | Peak MiB | Aim |"
echo "|---|---|---|---:|---:|---:|---:|---:|---|"
missed=0
for row in "${rows[@]}"; do
    switch=${row%%|*}
    gnu=${row#*|}
    for mode in file pipe; do
        gnu_time=$(best_microseconds "$mode" "$gnu")
        mine=$(best_microseconds "$mode" "$(own "$switch")")
        peak=$(peak_kib)
        own_time[$switch,$mode]=$mine
        over_gnu=$(ratio "$gnu_time" "$mine")
        over_cat=$(ratio "${cat_time[$mode]}" "$mine")
        aim=met
        if ! at_least "$over_gnu" 2 || ! at_least "$over_cat" 0.3333 || [ "$peak" -gt 32768 ]; then
            aim=MISSED
            missed=1
        fi
        printf '| `%s` | `%s` | %s | %s | %s | %s | %s | %s | %s |\n' "$switch" "$gnu" "$mode" \
            "$(rate "$bytes" "$gnu_time")" "$(rate "$bytes" "$mine")" "$over_gnu" "$over_cat" "$(mib "$peak")" "$aim"
    done
done

echo
echo "| Four switches together | Mode | Time ms | Slowest alone ms | × slowest | Peak MiB | Aim |"
echo "|---|---|---:|---:|---:|---:|---|"
for mode in file pipe; do
    together=$(best_microseconds "$mode" "$(own "$four")")
    peak=$(peak_kib)
    slowest=0
    for switch in $four; do
        [ "${own_time[$switch,$mode]}" -gt "$slowest" ] && slowest=${own_time[$switch,$mode]}
    done
    over=$(ratio "$together" "$slowest")
    aim=met
    at_least 1.5 "$over" || { aim=MISSED; missed=1; }
    printf '| `%s` | %s | %d | %d | %s | %s | %s |\n' "$four" "$mode" $((together / 1000)) $((slowest / 1000)) \
        "$over" "$(mib "$peak")" "$aim"
done

# One line of LINE_MB megabytes (the source with its line ends taken out), cleaned in place and
# pipe to pipe with each switch and with several, and shown as a diff: the peak memory beside
# the line's size. Aims: at most twice the line with any switches, three times for the diff,
# besides the few MiB of any run.
line=$work/line.pb
head -c $((line_megabytes * 1000000)) "$input" | tr -d '\r\n' >"$line"
echo >>"$line"
line_bytes=$(wc -c <"$line")
# The few MiB any run takes (the program, its libraries, its blocks) come on top.
within() { awk -v k="$1" -v b="$line_bytes" -v times="$2" 'BEGIN { exit !(k * 1024 <= b * times + 8 * 1048576) }'; }
echo
echo "| One line of $((line_bytes / 1000000)) MB | Mode | Peak MiB | × line | Aim |"
echo "|---|---|---:|---:|---|"
line_rows=()
for row in "${rows[@]}"; do line_rows+=("${row%%|*}"); done
line_rows+=("/removecomments /removedoublespaces /removespacesatendoflines"
            "/removespacesatendoflines /removeallspaces /converttexttouppercaseletters"
            "/removedebuglines /converttabtospace /converttexttolowercaseletters")
for switches in "${line_rows[@]}"; do
    for mode in "in place" pipe diff; do
        # The diff of one switch that changes the line everywhere and of one that changes its end.
        case $mode,$switches in
        diff,/removeallspaces | diff,/converttexttouppercaseletters | diff,"/removecomments /removedoublespaces /removespacesatendoflines") ;;
        diff,*) continue ;;
        esac
        if [ "$mode" = pipe ]; then
            eval "cat '$line' | $(own "$switches") | cat >/dev/null"
        elif [ "$mode" = diff ]; then
            # Exit status 1: the diff is not empty.
            eval "$(own --diff "$switches") '$line' >/dev/null" || [ $? = 1 ]
        else
            cp "$line" "$work/in-place.pb"
            eval "$(own "$switches") '$work/in-place.pb'"
        fi || { echo "compare-gnu.sh: failed: $switches on one line ($mode)" >&2; exit 2; }
        peak=$(peak_kib)
        over=$(awk -v k="$peak" -v b="$line_bytes" 'BEGIN { printf "%.2f", k * 1024 / b }')
        aim=met
        times=2
        [ "$mode" = diff ] && times=3
        within "$peak" "$times" || { aim=MISSED; missed=1; }
        printf '| `%s` | %s | %s | %s | %s |\n' "$switches" "$mode" "$(mib "$peak")" "$over" "$aim"
    done
done

if [ "$gigabyte" != 0 ]; then
    declare -A sized
    for switches in /removecomments /converttexttouppercaseletters "$four"; do
        sized[$switches]=$(best_microseconds file "$(own "$switches")")
    done
    input=$work/gigabyte.pb
    "$bench" --generate 1000000000 "$input"
    cat "$input" >/dev/null
    big=$(wc -c <"$input")
    echo
    echo "| File to file | Time at $megabytes MB ms | Time at 1 GB ms | Ratio (size ratio $(ratio "$big" "$bytes")) | Peak MiB at 1 GB | Aim |"
    echo "|---|---:|---:|---:|---:|---|"
    for switches in /removecomments /converttexttouppercaseletters "$four"; do
        elapsed=$(best_microseconds file "$(own "$switches")")
        peak=$(peak_kib)
        over=$(ratio "$elapsed" "${sized[$switches]}")
        aim=met
        if [ "$peak" -gt 32768 ] || ! at_least "$(ratio "$big" "$bytes")" "$(ratio "$over" 1.2)"; then
            aim=MISSED
            missed=1
        fi
        printf '| `%s` | %d | %d | %s | %s | %s |\n' "$switches" $((sized[$switches] / 1000)) $((elapsed / 1000)) "$over" \
            "$(mib "$peak")" "$aim"
    done
fi
exit "$missed"
