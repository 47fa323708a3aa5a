#!/usr/bin/env bash
# brisklet-clean on a whole repository beside sed -i: a generated tree of PureBasic sources
# (FILES files in folders of 50, about 9 KB each, a trailing blank on every line, so that
# /removespacesatendoflines changes every file), cleaned in place; the same tree ten times over;
# and both again while another program writes to the same disk and flushes it. brisklet-clean
# flushes every file it rewrites; sed -i flushes nothing, so it runs twice: as it is, and
# followed by sync on every file and folder, which makes its result as durable. Best wall time
# of RUNS tries (default 3), each on a fresh copy; the results are compared byte for byte.
# Prints a Markdown table.
# Usage: bench/compare-tree.sh [FILES]   (default 2937)
# Needs build/native/brisklet-clean (cmake --preset native); BRISKLET_CLEAN points elsewhere.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
clean=${BRISKLET_CLEAN:-$root/build/native/brisklet-clean}
files=${1:-2937}
runs=${RUNS:-3}
[ -x "$clean" ] || { echo "compare-tree.sh: $clean: not found or not built" >&2; exit 2; }
export LC_ALL=C

work=$(mktemp -d "${TMPDIR:-/var/tmp}/brisklet-tree.XXXXXX")
writer=
trap '[ -n "$writer" ] && kill "$writer" 2>/dev/null; rm -rf "$work"' EXIT

# A tree of sources: lines of code with indentation, comments and a trailing blank.
make_tree() {
    local top=$1 count=$2
    python3 - "$top" "$count" <<'EOF'
import os, random, sys
top, count = sys.argv[1], int(sys.argv[2])
random.seed(count)
words = ["Procedure", "If", "EndIf", "Debug", "x", "y", "Count", "Name$", "For", "Next", "Define", "="]
for n in range(count):
    folder = os.path.join(top, "m%03d" % (n // 50))
    os.makedirs(folder, exist_ok=True)
    lines = ("\t" * random.randint(0, 3) + " ".join(random.choice(words) for _ in range(random.randint(1, 6))) +
             " ; note %d \n" % i for i in range(random.randint(150, 250)))
    with open(os.path.join(folder, "f%d.pb" % n), "w") as source:
        source.write("".join(lines))
EOF
}

# Best wall time in milliseconds of RUNS tries of a command on a fresh copy of a tree.
best_of() {
    local tree=$1 command=$2 best=
    for _ in $(seq "$runs"); do
        rm -rf "$work/run" && cp -r "$tree" "$work/run" && sync
        local start end
        start=$(date +%s%N)
        (cd "$work/run" && eval "$command") >/dev/null
        end=$(date +%s%N)
        local took=$(((end - start) / 1000000))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    done
    echo "$best"
}

sed_command="find . -name '*.pb' -print0 | xargs -0 sed -i -E 's/[ \t]+\$//'"
flushed_command="$sed_command && find . \\( -name '*.pb' -o -type d \\) -print0 | xargs -0 sync"
clean_command="'$clean' /removespacesatendoflines ."

make_tree "$work/one" "$files"
mkdir -p "$work/ten"
for copy in $(seq 0 9); do cp -r "$work/one" "$work/ten/c$copy"; done
size=$(du -sm "$work/one" | cut -f1)

# Both tools must agree before they are timed.
rm -rf "$work/a" "$work/b"
cp -r "$work/one" "$work/a" && cp -r "$work/one" "$work/b"
(cd "$work/a" && eval "$clean_command")
(cd "$work/b" && eval "$sed_command")
diff -r "$work/a" "$work/b" >/dev/null || { echo "compare-tree.sh: the results differ" >&2; exit 2; }

echo "| Tree | brisklet-clean | sed -i | ratio | sed -i, then sync | ratio |"
echo "|---|---:|---:|---:|---:|---:|"
row() {
    local label=$1 tree=$2
    local ours theirs flushed
    ours=$(best_of "$tree" "$clean_command")
    theirs=$(best_of "$tree" "$sed_command")
    flushed=$(best_of "$tree" "$flushed_command")
    printf '| %s | %d ms | %d ms | %s | %d ms | %s |\n' "$label" "$ours" "$theirs" \
        "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')" "$flushed" \
        "$(awk -v a="$ours" -v b="$flushed" 'BEGIN { printf "%.2f", a / b }')"
}
row "$files files, $size MB" "$work/one"
row "$((files * 10)) files, ten times over" "$work/ten"
# Another program writing and flushing all the while: every fsync then waits its turn.
(while :; do dd if=/dev/zero of="$work/writer" bs=1M count=64 conv=fsync status=none; done) &
writer=$!
row "$files files, another writer busy" "$work/one"
