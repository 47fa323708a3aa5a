#!/usr/bin/env bash
# Runs the 32- and 64-bit ConfigPlatformProbe.exe under Wine; fails when either is missing or reports a failure.
# Builds nothing: build the win-x86 and win-x64 presets first. Usage: run-config-probe.sh [build-folder]
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
build=${1:-"$root/build"}
export WINEPREFIX=${WINEPREFIX:-"$root/build/wine-prefix"}
export WINEDEBUG=${WINEDEBUG:--all}

# The Wine prefix is shared with the end-to-end runner; take turns with it.
mkdir -p "$root/build"
exec 9> "$root/build/e2e.lock"
flock 9

status=0
for preset in win-x86 win-x64; do
  probe="$build/$preset/ConfigPlatformProbe.exe"
  echo "== $probe"
  if [ ! -f "$probe" ]; then
    echo "run-config-probe: $probe: not built" >&2
    status=1
    continue
  fi
  if ! wine "$probe"; then
    echo "run-config-probe: $preset: the probe failed" >&2
    status=1
  fi
done
exit "$status"
