#!/usr/bin/env bash
# Installs what scripts/make-release.sh needs besides the builds' own setup scripts, on Debian 12:
# dpkg-dev and lintian for the Debian packages, the arm64 C and C++ runtime, whose package data dpkg-shlibdeps
# reads to write the arm64 package's Depends, and the arm64 EditorConfig core library the arm64 package is linked
# with. A second run only looks.
set -euo pipefail

packages=(dpkg-dev lintian gzip binutils binutils-aarch64-linux-gnu libc6:arm64 libstdc++6:arm64 libgcc-s1:arm64
          libeditorconfig-dev:arm64)
SETUP_NAME=setup-release exec "$(dirname "${BASH_SOURCE[0]}")/apt-install.sh" "${packages[@]}"
