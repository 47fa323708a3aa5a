#!/usr/bin/env bash
# Installs what the static Linux programs need on Debian 12: the aarch64 cross compilers, qemu-user, which runs
# the aarch64 program on this machine for its test, Debian's static PCRE2 library of each processor (with
# Debian's security updates), and the sources of the EditorConfig core library, which both programs are built
# with. A second run only looks.
set -euo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
packages=(gcc g++ gcc-aarch64-linux-gnu g++-aarch64-linux-gnu qemu-user-static cmake ninja-build python3
          libpcre2-dev libpcre2-dev:arm64)
SETUP_NAME=setup-aarch64 "$here/apt-install.sh" "${packages[@]}"
SETUP_NAME=setup-aarch64 exec "$here/source-packages.sh" editorconfig-core
