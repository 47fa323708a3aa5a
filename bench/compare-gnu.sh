#!/usr/bin/env bash
# Throughput of brisklet-clean beside the nearest GNU tool of each switch, and beside cat, on
# generated PureBasic-like sources: the best of 3 wall times (RUNS=n for more on a busy
# machine). Every tool reads the source from standard input and writes to a file beside it
# (not /dev/null: grep stops early when it sees that); brisklet-clean is also timed
# rewriting a copy of the source in place.
# Usage: bench/compare-gnu.sh [MEGABYTES...]   (default: 1 10 100)
# Needs build/bench/brisklet_bench (cmake --preset bench) and build/native/brisklet-clean
# (cmake --preset native); BRISKLET_BENCH and BRISKLET_CLEAN point elsewhere.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench=${BRISKLET_BENCH:-$root/build/bench/brisklet_bench}
clean=${BRISKLET_CLEAN:-$root/build/native/brisklet-clean}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1 10 100)
tab=4
runs=${RUNS:-3}

for program in "$bench" "$clean"; do
    [ -x "$program" ] || { echo "compare-gnu.sh: $program: not built" >&2; exit 2; }
done

# The GNU tools at their fastest: no multibyte handling.
export LC_ALL=C

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# switch | GNU command standing in for it
rows=(
    "/removeemptylines|sed '/^[[:blank:]]*\$/d'"
    "/removedebuglines|grep -vF 'Debug '"
    "/removecomments|sed 's/;.*//'"
    "/removedoublespaces|tr -s ' '"
    "/removeallspaces|tr -d ' '"
    "/removespacesatendoflines|sed 's/[[:blank:]]*\$//'"
    "/removespacesatstartoflines|sed 's/^[[:blank:]]*//'"
    "/converttexttolowercaseletters|tr A-Z a-z"
    "/converttexttouppercaseletters|tr a-z A-Z"
    "/converttabtospace|expand -i -t $tab"
    "/convertspacetotab|unexpand --first-only -t $tab"
)

# Best wall time in microseconds of a shell command reading $input and writing to $output;
# the second argument, untimed, runs before each try.
best_microseconds() {
    local command=$1 prepare=${2:-:} best= run start end elapsed
    for ((run = 0; run < runs; run++)); do
        eval "$prepare"
        start=${EPOCHREALTIME/./}
        if ! eval "$command" <"$input" >"$output"; then
            echo "compare-gnu.sh: failed: $command" >&2
            exit 2
        fi
        end=${EPOCHREALTIME/./}
        elapsed=$((end - start))
        if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    done
    echo "$best"
}

# Megabytes per second for a byte count and a time in microseconds.
rate() { awk -v bytes="$1" -v us="$2" 'BEGIN { printf "%.0f", bytes / (us > 0 ? us : 1) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / (b > 0 ? b : 1) }'; }

for megabytes in "${sizes[@]}"; do
    input=$work/source-$megabytes.pb
    output=$work/output.pb
    copy=$work/copy.pb
    "$bench" --generate $((megabytes * 1000000)) "$input"
    bytes=$(wc -c <"$input")
    cat "$input" >/dev/null # into the page cache before anything is timed
    # Each time in an assignment of its own, so that a failed command stops the script.
    cat_time=$(best_microseconds cat)
    cat_rate=$(rate "$bytes" "$cat_time")

    echo
    echo "$megabytes MB source ($bytes bytes), tab length $tab, best of $runs; cat: $cat_rate MB/s"
    printf '%-31s %-30s %8s %9s %6s %6s %9s %6s  %s\n' switch "GNU tool" "GNU MB/s" brisklet "x GNU" "x cat" "in place" "x cat" aim
    for row in "${rows[@]}"; do
        switch=${row%%|*}
        gnu=${row#*|}
        gnu_time=$(best_microseconds "$gnu")
        own_time=$(best_microseconds "'$clean' --tab-length $tab $switch")
        place_time=$(best_microseconds "'$clean' --tab-length $tab $switch '$copy'" "cp '$input' '$copy'")
        gnu_rate=$(rate "$bytes" "$gnu_time")
        own_rate=$(rate "$bytes" "$own_time")
        place_rate=$(rate "$bytes" "$place_time")
        over_gnu=$(ratio "$own_rate" "$gnu_rate")
        over_cat=$(ratio "$own_rate" "$cat_rate")
        place_over_cat=$(ratio "$place_rate" "$cat_rate")
        aim=met
        awk -v g="$over_gnu" -v c="$over_cat" -v p="$place_over_cat" \
            'BEGIN { exit !(g >= 2 && c >= 1 / 3 && p >= 1 / 3) }' || aim=MISSED
        printf '%-31s %-30s %8s %9s %6s %6s %9s %6s  %s\n' "$switch" "$gnu" "$gnu_rate" "$own_rate" "$over_gnu" \
            "$over_cat" "$place_rate" "$place_over_cat" "$aim"
    done
done
