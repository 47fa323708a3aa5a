#!/usr/bin/env bash
# Sets up, builds and runs Brisklet on the bundled sample source, showing it before and after:
# first brisklet-clean on the file, then Brisklet.exe in a test IDE's editor under Wine.
set -euo pipefail
cd "$(dirname "$0")"

# Makes tabs and line ends visible: "->" for a tab, "[CR LF]" for a Windows line end.
Show() { sed -e $'s/\r$/  [CR LF]/' -e $'s/\t/->  /g' "$1"; echo; }

switches=(/removecomments /removedebuglines /removespacesatendoflines /removeemptylines /converttabtospace)

scripts/setup-native.sh
cmake --preset native > /dev/null
cmake --build --preset native --target brisklet-clean
mkdir -p build/sample
cp samples/Inventory.pb build/sample/Inventory.pb
printf '\n==== samples/Inventory.pb ====\n'
Show samples/Inventory.pb
build/native/brisklet-clean --tab-length 4 "${switches[@]}" build/sample/Inventory.pb
printf '\n==== after: brisklet-clean --tab-length 4 %s ====\n' "${switches[*]}"
Show build/sample/Inventory.pb

scripts/setup-windows.sh
for preset in win-x86 win-x64; do
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
done

# The IDE keeps its settings block out of the editor: the tool sees the source alone. Its
# preferences give a tab width of 4.
scenario=build/sample/scenarios/inventory
rm -rf build/sample/scenarios
mkdir -p "$scenario/files/appdata/PureBasic"
sed '/^; IDE Options/,$d' samples/Inventory.pb > "$scenario/doc.bin"
printf '[Global]\r\nTabLength = 4\r\n' > "$scenario/files/appdata/PureBasic/PureBasic.prefs"
printf 'args=%s\n' "${switches[*]}" > "$scenario/scenario.txt"
# Both front ends must agree byte for byte, but for line ends: in the editor the line-based
# switches write LF (the IDE gives the source its own line ends again when it saves), while
# brisklet-clean keeps the file's CR LF.
build/native/brisklet-clean --tab-length 4 "${switches[@]}" < "$scenario/doc.bin" | tr -d '\r' > "$scenario/expected-doc.bin"
printf 'undo-restores=1\n' > "$scenario/expected.txt"
tests/e2e/run-e2e.py --scenarios build/sample/scenarios

printf '\n==== the IDE editor before Brisklet.exe %s ====\n' "${switches[*]}"
Show "$scenario/doc.bin"
source scripts/wine-road.sh
for bitness in x86 x64; do
  if [[ " $WineBitnesses " != *" $bitness "* ]]; then
    printf '\n==== the %s tool is not shown: %s\n' "$bitness" "$WineRoadReason"
    continue
  fi
  result=build/e2e-work/$bitness/inventory/result
  printf '\n==== the editor after the %s tool ====\n' "$bitness"
  Show "$result/doc.bin"
done
