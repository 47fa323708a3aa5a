#!/usr/bin/env bash
# Builds the release package build/release/Brisklet-VERSION.zip: both Brisklet.exe, both brisklet-clean.exe,
# brisklet-clean, README.md, LICENSE.
# Run as root on Debian 12. The same commit gives the same zip, byte for byte; a second run rebuilds only what changed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
say() { printf 'make-release: %s\n' "$*"; }

scripts/setup-native.sh
scripts/setup-windows.sh

# Every time stamp that reaches the package (the linker's, the zip entries') is the last commit's.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  say "warning: the working tree differs from commit $(git rev-parse --short HEAD)" >&2
fi

# Release folders of their own: the build is independent of the checkout's path and of a PE
# time stamp, and the Windows ones need no test IDE.
reproducible=(-DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root/=" -DBRISKLET_TESTS=OFF)
Build() {
  local preset=$1 folder=$2 linkerFlags=$3
  say "building $preset in $folder"
  cmake --preset "$preset" -B "$folder" "${reproducible[@]}" \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE="$linkerFlags" > "$folder.configure.log" 2>&1 ||
    { cat "$folder.configure.log" >&2; return 1; }
  cmake --build "$folder"
}
mkdir -p build
Build native build/release-native ""
Build win-x86 build/release-x86 "-Wl,--no-insert-timestamp"
Build win-x64 build/release-x64 "-Wl,--no-insert-timestamp"

stage=build/release/stage
rm -rf "$stage"
mkdir -p "$stage/x86" "$stage/x64"
strip --strip-all -o "$stage/brisklet-clean" build/release-native/brisklet-clean
for program in Brisklet brisklet-clean; do
  i686-w64-mingw32-strip --strip-all -o "$stage/x86/$program.exe" "build/release-x86/$program.exe"
  x86_64-w64-mingw32-strip --strip-all -o "$stage/x64/$program.exe" "build/release-x64/$program.exe"
done
cp README.md LICENSE "$stage/"

# The version CMake wrote from CMakeLists.txt, which the exe's resource carries, names the package.
versionHeader=build/release-x86/generated/BriskletVersion.h
versionText=$(sed -n 's/^#define BRISKLET_VERSION_TEXT "\(.*\)"$/\1/p' "$versionHeader")
version=${versionText%% *}
[ -n "$version" ] || { say "no BRISKLET_VERSION_TEXT in $versionHeader" >&2; exit 1; }
for exe in "$stage"/x86/*.exe "$stage"/x64/*.exe; do
  if ! strings -el "$exe" | grep -qxF "$versionText"; then
    say "$exe carries no version resource \"$versionText\": is cmake/WindowsResources.cmake included?" >&2
    exit 1
  fi
done

# Fixed order, date, permissions and host system in every entry, so only the contents decide the bytes.
zip="build/release/Brisklet-$version.zip"
python3 - "$stage" "$zip.tmp" x86/Brisklet.exe x64/Brisklet.exe x86/brisklet-clean.exe x64/brisklet-clean.exe \
  brisklet-clean README.md LICENSE <<'EOF'
import os, sys, time, zipfile
stage, target, names = sys.argv[1], sys.argv[2], sys.argv[3:]
# Zip dates start in 1980.
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as package:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system = 3
        mode = 0o755 if os.access(os.path.join(stage, name), os.X_OK) else 0o644
        entry.external_attr = (0o100000 | mode) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, name), "rb") as source:
            package.writestr(entry, source.read(), compresslevel=9)
EOF
mv "$zip.tmp" "$zip"

say "$root/$zip"
python3 -m zipfile -l "$zip"
