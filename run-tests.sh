#!/usr/bin/env bash
# Sets up, builds and runs every test: the native core and brisklet-clean, the static Linux programs
# (the aarch64 one under qemu-user), then Brisklet.exe for 32 and 64 bit under Wine, against the real
# Scintilla control in a test IDE of our own. Where the kernel runs no 32-bit programs (or
# BRISKLET_WINE64_ONLY=1), both bitnesses are still built and the 32-bit runs are reported as skipped.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-native.sh
cmake --preset native > /dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"
# The same core and tests with clang and libc++, the compiler and library macOS users build with.
cmake --preset clang-libcxx > /dev/null
cmake --build --preset clang-libcxx
ctest --preset clang-libcxx -j "$(nproc)"
# The preferences parser fed random bytes under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
ctest --preset fuzz
# The static Linux programs of the release: they need nothing from the system, and the aarch64 one,
# under qemu-user, cleans every case exactly as the x86-64 one does.
scripts/setup-aarch64.sh
for preset in linux-x86_64 linux-aarch64; do
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
done
tests/static/static-programs.py build/linux-x86_64/brisklet-clean build/linux-aarch64/brisklet-clean

scripts/setup-windows.sh
for preset in win-x86 win-x64; do
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
done
# The configuration probe on real files, then every scenario in the test IDE.
tests/e2e/run-e2e.py
