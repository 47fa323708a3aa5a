#!/usr/bin/env bash
# Installs what the native build and its tests need on Debian 12; a second run only looks.
set -euo pipefail

# clang with libc++ builds the core the way macOS compiles it; GoogleTest is then built from
# libgtest-dev's sources, since its libraries are made for libstdc++. GNU patch applies what
# brisklet-clean --diff prints, in its tests. groff renders the man page, git and pre-commit run
# the hook this repository offers, as the install tests check them. GNU time measures the benchmarks'
# peak memory. brisklet-clean takes tab widths from .editorconfig files with the EditorConfig core library.
# zsh and fish run the completions for them, as the install tests check them.
packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev python3 clang libc++-dev libc++abi-dev patch
          groff-base git pre-commit time libeditorconfig-dev zsh fish)
# strace holds brisklet-clean inside a write or makes a system call fail, for the tests of the in-place road.
packages+=(strace)
SETUP_NAME=setup-native exec "$(dirname "${BASH_SOURCE[0]}")/apt-install.sh" "${packages[@]}"
