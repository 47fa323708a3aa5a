#!/usr/bin/env bash
# Installs what the static Linux programs need on Debian 12: the aarch64 cross compiler, and
# qemu-user, which runs the aarch64 program on this machine for its test. A second run only looks.
set -euo pipefail

packages=(g++ g++-aarch64-linux-gnu qemu-user-static cmake ninja-build python3)
SETUP_NAME=setup-aarch64 exec "$(dirname "${BASH_SOURCE[0]}")/apt-install.sh" "${packages[@]}"
