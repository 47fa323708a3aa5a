#!/usr/bin/env bash
# Sets up, builds and runs every test: the native core and brisklet-clean.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-native.sh
cmake --preset native > /dev/null
cmake --build --preset native
ctest --preset native -j "$(nproc)"
