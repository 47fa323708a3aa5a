#!/usr/bin/env bash
# The README's speed tables from one run on a quiet machine: waits until the load average of the
# last minute is below 0.5 (at most WAIT seconds, default 1800), then runs the GNU comparison and
# the memory tables (compare-gnu.sh) and the repository comparison (compare-tree.sh), and writes
# them as Markdown with the machine, the date and the load before and after. A machine that does
# not become quiet is said, and nothing runs, unless ANYWAY=1: then the tables are made all the
# same and say that the machine was busy.
# Usage: bench/quiet-run.sh [OUTPUT.md]   (default bench/results.md)
# With README=path, the tables also replace what stands between the lines
# "<!-- quiet-run: begin -->" and "<!-- quiet-run: end -->" there.
# The environment of compare-gnu.sh and compare-tree.sh (RUNS, GB, LINE_MB, ...) goes on to them.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-$root/bench/results.md}
wait_limit=${WAIT:-1800}
quiet_below=0.5

load() { cut -d ' ' -f 1 /proc/loadavg; }
is_quiet() { awk -v l="$(load)" -v q="$quiet_below" 'BEGIN { exit !(l < q) }'; }

waited=0
until is_quiet; do
    if [ "$waited" -ge "$wait_limit" ]; then
        echo "quiet-run.sh: the machine did not become quiet: load $(load) after ${waited} s (aim: below $quiet_below)" >&2
        [ "${ANYWAY:-0}" = 1 ] || exit 3
        echo "quiet-run.sh: ANYWAY=1: measuring all the same; the tables say so" >&2
        break
    fi
    sleep 10
    waited=$((waited + 10))
done
quiet=yes
is_quiet || quiet=no
load_before=$(cut -d ' ' -f 1-3 /proc/loadavg)

tables=$(mktemp)
trap 'rm -f "$tables"' EXIT
status=0
{
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(grep -m 1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'),"
    echo "$(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) of memory, Linux $(uname -r);"
    if [ "$quiet" = yes ]; then
        echo "load average at the start $load_before (quiet: below $quiet_below)."
    else
        echo "load average at the start $load_before: **the machine was busy** (other work ran beside the"
        echo "benchmarks), so the times and their ratios move from run to run; the memory figures do not."
    fi
    "$root/bench/compare-gnu.sh" || status=$?
    echo
    "$root/bench/compare-tree.sh" || status=$?
    echo
    echo "Load average at the end: $(cut -d ' ' -f 1-3 /proc/loadavg)."
} >"$tables"
# compare-gnu.sh answers 1 for an aim missed, which the tables show; anything else is a failure.
[ "$status" -le 1 ] || { echo "quiet-run.sh: a benchmark failed (status $status)" >&2; exit 2; }
cp "$tables" "$output"
echo "quiet-run.sh: tables written to $output" >&2

if [ -n "${README:-}" ]; then
    python3 - "$README" "$tables" <<'EOF'
import sys
readme, tables = sys.argv[1], open(sys.argv[2]).read()
begin, end = "<!-- quiet-run: begin -->\n", "<!-- quiet-run: end -->\n"
text = open(readme).read()
if text.count(begin) != 1 or text.count(end) != 1 or text.index(begin) > text.index(end):
    sys.exit(f"quiet-run.sh: {readme}: no single pair of quiet-run lines")
head, rest = text.split(begin)
tail = rest.split(end)[1]
open(readme, "w").write(head + begin + "\n" + tables + "\n" + end + tail)
EOF
    echo "quiet-run.sh: tables written into $README" >&2
fi
exit "$status"
