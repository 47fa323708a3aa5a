#!/usr/bin/env bash
# Builds the release in build/release/:
# - Brisklet-VERSION.zip, one folder Brisklet-VERSION/ holding windows-x86/ and windows-x64/ (Brisklet.exe and
#   brisklet-clean.exe each), linux-x86_64/ and linux-aarch64/ (brisklet-clean, statically linked: it runs on any
#   Linux of its processor, with its man page brisklet-clean.1 and its bash, zsh and fish completions
#   brisklet-clean.bash, .zsh and .fish), README.md and LICENSE;
# - brisklet-clean_VERSION_amd64.deb and brisklet-clean_VERSION_arm64.deb: brisklet-clean in /usr/bin, linked
#   with the system's libraries as dpkg-shlibdeps declares them, its man page, bash, zsh and fish completion,
#   changelog and copyright, recommending bash-completion, without which bash completes nothing; lintian must
#   report no error.
# VERSION is major.minor.patch of project() in CMakeLists.txt (the build number shows in the programs' version).
# Run as root on Debian 12. The same commit gives the same files, byte for byte; a second run rebuilds only
# what changed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
say() { printf 'make-release: %s\n' "$*"; }

scripts/setup-native.sh
scripts/setup-aarch64.sh
scripts/setup-windows.sh
scripts/setup-release.sh

# Every time stamp that reaches a package (the linker's, the zip entries', the changelog's) is the last commit's.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  say "warning: the working tree differs from commit $(git rev-parse --short HEAD)" >&2
fi

# Release folders of their own, without tests: the build is independent of the checkout's path and of a PE
# time stamp, and the Windows ones need no test IDE.
prefixMap="-ffile-prefix-map=$root/="
Build() {
  local preset=$1 folder=$2 target=$3
  shift 3
  say "building $preset in $folder"
  cmake --preset "$preset" -B "$folder" -DBRISKLET_TESTS=OFF "$@" > "$folder.configure.log" 2>&1 ||
    { cat "$folder.configure.log" >&2; return 1; }
  cmake --build "$folder" ${target:+--target "$target"}
}
# A dpkg tool run for a package of the architecture: with its host settings and its C compiler (which
# dpkg-architecture asks), and Debian's hardening flags.
ForArch() {
  local arch=$1
  shift
  CC="$(dpkg-architecture -a"$arch" -q DEB_HOST_GNU_TYPE 2> /dev/null)-gcc" DEB_BUILD_MAINT_OPTIONS=hardening=+all \
    dpkg-architecture -a"$arch" -c "$@"
}
# Debian's own compiler or linker flags for a package of the architecture.
DebianFlags() {
  local arch=$1 flag
  shift
  for flag in "$@"; do
    ForArch "$arch" dpkg-buildflags --get "$flag"
  done | tr '\n' ' '
}
mkdir -p build
Build win-x86 build/release-x86 "" -DCMAKE_CXX_FLAGS="$prefixMap" -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-Wl,--no-insert-timestamp"
Build win-x64 build/release-x64 "" -DCMAKE_CXX_FLAGS="$prefixMap" -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-Wl,--no-insert-timestamp"
Build linux-x86_64 build/release-linux-x86_64 brisklet-clean -DCMAKE_CXX_FLAGS="$prefixMap"
Build linux-aarch64 build/release-linux-aarch64 brisklet-clean -DCMAKE_CXX_FLAGS="$prefixMap"
# zsh's completion where Debian's zsh looks for a package's.
debianZsh=-DBRISKLET_ZSH_COMPLETIONS=share/zsh/vendor-completions
Build native build/release-deb-amd64 brisklet-clean "$debianZsh" \
  -DCMAKE_CXX_FLAGS="$(DebianFlags amd64 CPPFLAGS CXXFLAGS) $prefixMap" -DCMAKE_EXE_LINKER_FLAGS="$(DebianFlags amd64 LDFLAGS)"
Build linux-aarch64 build/release-deb-arm64 brisklet-clean -DBRISKLET_STATIC=OFF "$debianZsh" \
  -DCMAKE_CXX_FLAGS="$(DebianFlags arm64 CPPFLAGS CXXFLAGS) $prefixMap" -DCMAKE_EXE_LINKER_FLAGS="$(DebianFlags arm64 LDFLAGS)"
# The zip's Linux programs as they ship: static, and the same bytes from both processors.
tests/static/static-programs.py build/release-linux-x86_64/brisklet-clean build/release-linux-aarch64/brisklet-clean |
  grep -v '^ok '

# The version CMake wrote from CMakeLists.txt, which the exe's resource carries, names the packages.
versionHeader=build/release-x86/generated/BriskletVersion.h
versionText=$(sed -n 's/^#define BRISKLET_VERSION_TEXT "\(.*\)"$/\1/p' "$versionHeader")
version=${versionText%% *}
[ -n "$version" ] || { say "no BRISKLET_VERSION_TEXT in $versionHeader" >&2; exit 1; }

release=build/release
top=Brisklet-$version
stage=$release/stage/$top
rm -rf "$release/stage"
mkdir -p "$stage/windows-x86" "$stage/windows-x64" "$stage/linux-x86_64" "$stage/linux-aarch64"
for program in Brisklet brisklet-clean; do
  i686-w64-mingw32-strip --strip-all -o "$stage/windows-x86/$program.exe" "build/release-x86/$program.exe"
  x86_64-w64-mingw32-strip --strip-all -o "$stage/windows-x64/$program.exe" "build/release-x64/$program.exe"
done
strip --strip-all -o "$stage/linux-x86_64/brisklet-clean" build/release-linux-x86_64/brisklet-clean
aarch64-linux-gnu-strip --strip-all -o "$stage/linux-aarch64/brisklet-clean" build/release-linux-aarch64/brisklet-clean
for linux in linux-x86_64 linux-aarch64; do
  cp "build/release-$linux/brisklet-clean.1" completion/brisklet-clean.bash completion/brisklet-clean.zsh \
    completion/brisklet-clean.fish "$stage/$linux/"
done
cp README.md LICENSE "$stage/"
for exe in "$stage"/windows-*/*.exe; do
  if ! strings -el "$exe" | grep -qxF "$versionText"; then
    say "$exe carries no version resource \"$versionText\": is cmake/WindowsResources.cmake included?" >&2
    exit 1
  fi
done

# Folders first, then names in order; fixed date, permissions and host system in every entry, so only the
# contents decide the bytes.
zip="$release/$top.zip"
python3 - "$release/stage" "$top" "$zip.tmp" <<'EOF'
import os, sys, time, zipfile
stage, top, target = sys.argv[1:]
# Zip dates start in 1980.
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
MS_DOS_DIRECTORY = 0x10
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as package:
    for folder, folders, files in os.walk(os.path.join(stage, top)):
        folders.sort()
        name = os.path.relpath(folder, stage) + "/"
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system = 3
        entry.external_attr = (0o040755 << 16) | MS_DOS_DIRECTORY
        package.writestr(entry, b"")
        for file in sorted(files):
            path = os.path.join(folder, file)
            entry = zipfile.ZipInfo(name + file, stamp)
            entry.create_system = 3
            entry.external_attr = (0o100000 | (0o755 if os.access(path, os.X_OK) else 0o644)) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                package.writestr(entry, source.read(), compresslevel=9)
EOF
mv "$zip.tmp" "$zip"

# A Debian package of brisklet-clean for one architecture, from the build's cmake --install.
MakeDebian() {
  local arch=$1 build=$2 strip=$3
  local work=$release/debian-$arch
  local package=$work/debian/brisklet-clean
  local docs=$package/usr/share/doc/brisklet-clean
  rm -rf "$work"
  DESTDIR="$root/$package" cmake --install "$build" --prefix /usr > /dev/null
  "$strip" --strip-unneeded --remove-section=.comment --remove-section=.note "$package/usr/bin/brisklet-clean"
  gzip -9n "$package/usr/share/man/man1/brisklet-clean.1"
  mkdir -p "$docs"
  {
    printf 'brisklet-clean (%s) unstable; urgency=medium\n\n' "$version"
    printf '  * Brisklet %s.\n\n' "$versionText"
    printf ' -- Talmir <support@brisklet.dev>  %s\n' "$(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")"
  } | gzip -9n > "$docs/changelog.gz"
  {
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
    printf 'Upstream-Name: Brisklet\nUpstream-Contact: support@brisklet.dev\n\n'
    printf 'Files: *\nCopyright: %s\nLicense: Expat\n' "$(sed -n 's/^Copyright (c) //p' LICENSE)"
    # The licence's text after its copyright line, as a field's continuation lines.
    sed -n '/^Copyright/,$p' LICENSE | tail -n +2 | sed -e '1{/^$/d}' -e 's/^$/./' -e 's/^/ /'
  } > "$docs/copyright"

  # The package's Depends, as dpkg-shlibdeps finds them for the architecture (DEBIAN marks the package's root).
  mkdir -p "$package/DEBIAN"
  printf 'Source: brisklet\n\nPackage: brisklet-clean\nArchitecture: any\n' > "$work/debian/control"
  local depends
  depends=$(cd "$work" && ForArch "$arch" dpkg-shlibdeps -O -edebian/brisklet-clean/usr/bin/brisklet-clean |
            sed -n 's/^shlibs:Depends=//p')
  [ -n "$depends" ] || { say "dpkg-shlibdeps found no dependencies for $arch" >&2; return 1; }

  find "$package" -type d -exec chmod 0755 {} +
  find "$package" -type f -exec chmod 0644 {} +
  chmod 0755 "$package/usr/bin/brisklet-clean"
  (cd "$package" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$package/DEBIAN/md5sums"
  chmod 0644 "$package/DEBIAN/md5sums"
  # As dpkg-gencontrol counts it: each file in KiB rounded up, and one for every folder.
  local size
  size=$(find "$package/usr" \( -type f -printf '%s\n' \) -o \( -type d -printf '1024\n' \) |
         awk '{ total += int(($1 + 1023) / 1024) } END { print total }')
  cat > "$package/DEBIAN/control" <<CONTROL
Package: brisklet-clean
Version: $version
Architecture: $arch
Maintainer: Talmir <support@brisklet.dev>
Installed-Size: $size
Depends: $depends
Recommends: bash-completion
Section: devel
Priority: optional
Description: cleaner for PureBasic and SpiderBasic sources
 brisklet-clean strips comments and debug lines from PureBasic and
 SpiderBasic sources, removes empty lines and surplus blanks, converts
 indentation between tabs and spaces and changes letter case, in files or
 from standard input to standard output. Line ends, encodings and the IDE's
 settings block stay as they are.
 .
 It checks (--check) or shows as a diff (--diff) what it would change, for
 build scripts and pre-commit hooks, and serves the PureBasic and SpiderBasic
 IDEs on Linux as a tool.
CONTROL
  chmod 0644 "$package/DEBIAN/control"
  find "$package" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  local deb=$release/brisklet-clean_${version}_$arch.deb
  dpkg-deb --root-owner-group -Zxz --build "$package" "$deb.tmp" > /dev/null
  mv "$deb.tmp" "$deb"
  say "checking $deb with lintian"
  lintian --fail-on error --tag-display-limit 0 "$deb"
}
MakeDebian amd64 build/release-deb-amd64 strip
MakeDebian arm64 build/release-deb-arm64 aarch64-linux-gnu-strip

say "built in $root/$release:"
python3 -m zipfile -l "$zip"
(cd "$release" && sha256sum "$top.zip" brisklet-clean_"${version}"_amd64.deb brisklet-clean_"${version}"_arm64.deb)
