#!/usr/bin/env bash
# Sets up, builds and runs Brisklet on the bundled sample source, showing it before and after.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-native.sh
cmake --preset native > /dev/null
cmake --build --preset native --target brisklet-clean

# Makes tabs and line ends visible: "->" for a tab, "[CR LF]" for a Windows line end.
Show() { sed -e $'s/\r$/  [CR LF]/' -e $'s/\t/->  /g' "$1"; }

switches=(/removecomments /removedebuglines /removespacesatendoflines /removeemptylines /converttabtospace)
mkdir -p build/sample
cp samples/Inventory.pb build/sample/Inventory.pb
printf '\n==== samples/Inventory.pb before ====\n'
Show samples/Inventory.pb
build/native/brisklet-clean --tab-length 4 "${switches[@]}" build/sample/Inventory.pb
printf '\n==== after: brisklet-clean --tab-length 4 %s ====\n' "${switches[*]}"
Show build/sample/Inventory.pb
