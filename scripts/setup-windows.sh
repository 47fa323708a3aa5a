#!/usr/bin/env bash
# Prepares a Debian 12 machine for the Windows build and the end-to-end tests: MinGW, Wine, Xvfb, Scintilla.dll,
# the EditorConfig and PCRE2 sources.
# Run as root. Every step checks whether it is already done, so a second run only looks.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
thirdParty="$build/third_party"
packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth
          python3 make cmake ninja-build)

say() { printf 'setup-windows: %s\n' "$*"; }

if [ "$(id -u)" -ne 0 ]; then
  say "run me as root (apt-get and dpkg need it)" >&2
  exit 1
fi

needUpdate=0

# Wine's 32-bit half: 32-bit IDEs and the 32-bit tool run on it.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  dpkg --add-architecture i386
  needUpdate=1
fi

missing=()
for package in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
    missing+=("$package")
  fi
done
if [ "$needUpdate" -eq 1 ] || [ "${#missing[@]}" -gt 0 ]; then
  say "apt-get update"
  apt-get update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
  say "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The EditorConfig core library and PCRE2, which brisklet-clean.exe is built with, from Debian's sources; this
# also writes the deb-src list the SciTE sources come from.
SETUP_NAME=setup-windows "$root/scripts/source-packages.sh" editorconfig-core pcre2

# Scintilla, the editor control the test IDE hosts, from Debian's SciTE sources.
mkdir -p "$thirdParty"
if ! compgen -G "$thirdParty/scite_*.orig.tar.gz" > /dev/null; then
  say "downloading the scite source package"
  (cd "$thirdParty" && apt-get source -qq --download-only scite)
fi
FindScintilla() {
  [ -d "$thirdParty/scite" ] || return 0
  find "$thirdParty/scite" -maxdepth 3 -path '*/scintilla/win32/makefile' | head -n 1 | sed 's|/win32/makefile$||'
}
scintilla=$(FindScintilla)
if [ -z "$scintilla" ]; then
  say "extracting the scite sources"
  # Unpacked beside and renamed, so an interrupted run leaves no half tree that looks complete.
  rm -rf "$thirdParty/scite" "$thirdParty/scite.partial"
  mkdir -p "$thirdParty/scite.partial"
  tar -xzf "$(compgen -G "$thirdParty/scite_*.orig.tar.gz" | head -n 1)" -C "$thirdParty/scite.partial"
  mv "$thirdParty/scite.partial" "$thirdParty/scite"
  scintilla=$(FindScintilla)
fi

BuildScintilla() {
  local arch=$1 prefix=$2
  local target="$build/scintilla/$arch/Scintilla.dll"
  [ -f "$target" ] && return 0
  say "building Scintilla.dll ($arch)"
  # The objects of both bitnesses share names, so each gets its own copy of the sources.
  local tree="$thirdParty/scintilla-$arch"
  rm -rf "$tree"
  cp -r "$scintilla" "$tree"
  # The win32 thread variant lacks std::future, which EditView.cxx needs.
  # Its own warnings are not ours to fix; they go to a log that is shown only when the build fails.
  local log="$thirdParty/scintilla-$arch.log"
  if ! make -C "$tree/win32" -j2 CXX="$prefix-g++-posix" AR="$prefix-ar" RANLIB="$prefix-ranlib" \
         WINDRES="$prefix-windres" ../bin/Scintilla.dll > "$log" 2>&1; then
    tail -n 40 "$log" >&2
    say "building Scintilla.dll ($arch) failed; the whole output is in $log" >&2
    return 1
  fi
  mkdir -p "$(dirname "$target")"
  cp "$tree/bin/Scintilla.dll" "$target.partial"
  mv "$target.partial" "$target"
}
BuildScintilla x86 i686-w64-mingw32
BuildScintilla x64 x86_64-w64-mingw32

# Where the kernel runs no 32-bit programs, Wine's 64-bit loader is called directly.
source "$root/scripts/wine-road.sh"

# A Wine prefix of our own, so tests see neither a user's Windows programs nor their settings.
prefix="$build/wine-prefix"
if [ ! -f "$prefix/system.reg" ]; then
  say "creating the Wine prefix $prefix"
  # No Mono or Gecko: nothing here needs them, and their installers would ask on screen.
  WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "${Wine[@]}" wineboot.exe -i
  WINEPREFIX="$prefix" wineserver -w
fi
# Every window inside one virtual desktop: with no window manager on the display, Wine waits two
# seconds for each top-level window it unmaps (the test IDE's, every message box), and not there.
if ! grep -q '^\[Software\\\\Wine\\\\Explorer\\\\Desktops\]' "$prefix/user.reg"; then
  say "giving the Wine prefix a virtual desktop"
  export WINEPREFIX="$prefix" WINEDEBUG=-all
  "${Wine[@]}" reg.exe add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f > /dev/null
  "${Wine[@]}" reg.exe add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f > /dev/null
  wineserver -w
fi

say "ready"
