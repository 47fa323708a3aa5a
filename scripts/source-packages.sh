#!/usr/bin/env bash
# Unpacks Debian 12 source packages into build/third_party/NAME: the libraries that the static Linux programs
# and the Windows programs are built with from source (scripts/setup-aarch64.sh and scripts/setup-windows.sh
# name them). Takes the newest version Debian has, security updates included, each file checked against the
# SHA-256 its .dsc gives. A package whose files are all on the mirror is unpacked by dpkg-source, Debian's
# patches applied; one whose extra upstream tarballs (NAME_VERSION.orig-PART.tar.*, such as a test suite) are
# missing is unpacked from its main upstream tarball alone. Also writes the deb-src list the packages come
# from. Says, every run, which version each tree holds and which of Debian's patches it carries. Needs root (or
# sudo); a second run only looks.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
thirdParty="$root/build/third_party"
downloads="$thirdParty/downloads"
sourceList=/etc/apt/sources.list.d/brisklet-deb-src.sources
name=${SETUP_NAME:-source-packages}

say() { printf '%s: %s\n' "$name" "$*"; }

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || { say "writing $sourceList needs root" >&2; exit 1; }
  sudo=(sudo)
fi
SETUP_NAME=$name "$root/scripts/apt-install.sh" dpkg-dev

# Source packages come from the same mirrors and key as the machine's binary packages: bookworm, and its
# security updates.
WantedSourceList() {
  local suite stanza uris signedBy
  for suite in bookworm bookworm-security; do
    stanza=$(awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" }
                                    $0 ~ ("(^|\n)Suites:([^\n]* )?" suite "( |\n|$)") { print; exit }' \
             /etc/apt/sources.list.d/debian.sources)
    uris=$(printf '%s\n' "$stanza" | sed -n 's/^URIs:[[:space:]]*//p')
    signedBy=$(printf '%s\n' "$stanza" | sed -n 's/^Signed-By:[[:space:]]*//p')
    if [ -z "$uris" ] || [ -z "$signedBy" ]; then
      say "no $suite stanza with URIs and Signed-By in /etc/apt/sources.list.d/debian.sources" >&2
      return 1
    fi
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n\n' "$uris" "$suite" "$signedBy"
  done
}
wanted=$(WantedSourceList)
if [ ! -f "$sourceList" ] || [ "$(cat "$sourceList")" != "$wanted" ]; then
  say "writing $sourceList"
  printf '%s\n' "$wanted" | "${sudo[@]}" tee "$sourceList" > /dev/null
  "${sudo[@]}" apt-get update -qq
elif ! compgen -G '/var/lib/apt/lists/*_bookworm_main_source_Sources*' > /dev/null ||
     ! compgen -G '/var/lib/apt/lists/*_bookworm-security_main_source_Sources*' > /dev/null; then
  "${sudo[@]}" apt-get update -qq
fi

# The versions of a source package apt knows, newest first.
Versions() {
  local sorted=() version i
  for version in $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -u); do
    for ((i = ${#sorted[@]}; i > 0; i--)); do
      dpkg --compare-versions "$version" gt "${sorted[i - 1]}" || break
      sorted[i]=${sorted[i - 1]}
    done
    sorted[i]=$version
  done
  printf '%s\n' "${sorted[@]}"
}

# Downloads a version of a source package into $downloads. Sets dsc, upstream (its upstream tarball) and missing
# (the files its .dsc names that the mirror lacks); false when the mirror has no .dsc.
Download() {
  local package=$1 version=$2 sum size file
  mkdir -p "$downloads"
  # A file the mirror lacks fails the download; what is missing is judged from the .dsc.
  (cd "$downloads" && apt-get source -qq --download-only "$package=$version" 2> /dev/null) || true
  dsc="$downloads/${package}_${version#*:}.dsc"
  [ -f "$dsc" ] || return 1
  missing=()
  upstream=""
  while read -r sum size file; do
    case $file in
      *.orig.tar.*) upstream=$file ;;
    esac
    if [ ! -f "$downloads/$file" ]; then
      missing+=("$file")
    elif ! printf '%s  %s\n' "$sum" "$downloads/$file" | sha256sum --check --quiet --status; then
      rm -f "$downloads/$file"
      say "$file does not have the SHA-256 its .dsc gives; removed" >&2
      exit 1
    fi
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/s/^ //p' "$dsc")
}

# What Debian changed in the upstream sources of a tree dpkg-source unpacked from a .dsc: the patches of a
# 3.0 (quilt) package, the files the .diff.gz of a 1.0 one changes outside debian/.
DebianChanges() {
  local tree=$1 diff="${2%.dsc}.diff.gz" changed
  if [ -f "$tree/debian/patches/series" ]; then
    changed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$tree/debian/patches/series" | paste -sd ' ')
    [ -z "$changed" ] || { echo "Debian's patches applied: $changed"; return 0; }
  elif [ -f "$diff" ]; then
    changed=$(zcat "$diff" | sed -n 's|^+++ [^/]*/||p' | grep -v '^debian/' | paste -sd ' ')
    [ -z "$changed" ] || { echo "Debian's changes applied to: $changed"; return 0; }
  fi
  echo "Debian's package, which patches nothing upstream"
}

Unpack() {
  local package=$1 tree=$thirdParty/$1 version="" candidate dsc upstream missing file
  # The newest version the mirror has: one whose sources it lacks (a security update, often) is passed by.
  for candidate in $(Versions "$package"); do
    if [ "$(cat "$tree/.source-version" 2> /dev/null)" = "$candidate" ] && [ -f "$tree/.source-changes" ]; then
      say "$package $candidate: $(cat "$tree/.source-changes")"
      return 0
    fi
    say "downloading the $package $candidate source package"
    if Download "$package" "$candidate"; then
      version=$candidate
      break
    fi
    say "the mirror has no $package $candidate source package"
  done
  [ -n "$version" ] || { say "no source package $package to be had" >&2; return 1; }

  rm -rf "$tree" "$tree.partial"
  if [ "${#missing[@]}" -eq 0 ]; then
    # The files are checked above, against the hashes of the .dsc that apt took from the signed index.
    dpkg-source --no-check --extract "$dsc" "$tree.partial" > /dev/null
    DebianChanges "$tree.partial" "$dsc" > "$tree.partial/.source-changes"
  else
    for file in "${missing[@]}"; do
      case $file in
        *.orig-*.tar.*) say "the mirror lacks $file, an extra upstream tarball: $package is unpacked from $upstream alone" ;;
        *) say "the mirror lacks $file" >&2; return 1 ;;
      esac
    done
    [ -n "$upstream" ] && [ -f "$downloads/$upstream" ] || { say "no upstream tarball for $package" >&2; return 1; }
    mkdir -p "$tree.partial"
    tar -xf "$downloads/$upstream" -C "$tree.partial" --strip-components=1
    echo "the upstream sources alone, without Debian's patches" > "$tree.partial/.source-changes"
  fi
  printf '%s\n' "$version" > "$tree.partial/.source-version"
  # Renamed once whole, so an interrupted run leaves no half tree that looks complete.
  mv "$tree.partial" "$tree"
  say "$package $version: $(cat "$tree/.source-changes")"
}

for package in "$@"; do
  Unpack "$package"
done
