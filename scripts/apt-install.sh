#!/usr/bin/env bash
# Installs, with apt-get, those of the named Debian packages (NAME or NAME:ARCH) that are not installed yet,
# adding to dpkg the architecture of a NAME:ARCH it does not know yet; when all are installed, it only looks.
# SETUP_NAME names the calling script in its messages.
set -euo pipefail

name=${SETUP_NAME:-apt-install}
missing=()
for package in "$@"; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" != installed ]; then
    missing+=("$package")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || { echo "$name: installing ${missing[*]} needs root" >&2; exit 1; }
  sudo=(sudo)
fi
for package in "${missing[@]}"; do
  arch=${package#*:}
  if [ "$arch" != "$package" ] && [ "$arch" != "$(dpkg --print-architecture)" ] &&
     ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "$name: adding the $arch architecture"
    "${sudo[@]}" dpkg --add-architecture "$arch"
  fi
done
echo "$name: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
