#!/usr/bin/env bash
# Installs what the native build and its tests need on Debian 12; a second run only looks.
set -euo pipefail

# clang with libc++ builds the core the way macOS compiles it; GoogleTest is then built from
# libgtest-dev's sources, since its libraries are made for libstdc++. GNU patch applies what
# brisklet-clean --diff prints, in its tests.
packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev python3 clang libc++-dev libc++abi-dev patch)

missing=()
for package in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
    missing+=("$package")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || { echo "setup-native: installing ${missing[*]} needs root" >&2; exit 1; }
  sudo=(sudo)
fi
echo "setup-native: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
