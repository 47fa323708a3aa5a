#!/usr/bin/env bash
# Says which Windows programs this machine can run under Wine, by running Wine's 32-bit loader:
# some kernels run no 32-bit programs at all, and there only the 64-bit loader, called directly,
# works (the wine wrapper picks the 32-bit loader whenever it is installed).
# BRISKLET_WINE64_ONLY=1 takes the 64-bit-only road on any machine, so both roads can be tried.
#
# Sourced, it sets WineBitnesses ("x86 x64" or "x64"), WineRoadReason (a sentence) and Wine (the
# command that runs a Windows program). Run, it prints those three, one a line, Wine's words
# separated by spaces.

loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64

if [ -n "${BRISKLET_WINE64_ONLY:-}" ] && [ "$BRISKLET_WINE64_ONLY" != 0 ]; then
  WineBitnesses=x64
  WineRoadReason="BRISKLET_WINE64_ONLY is set: only the 64-bit Windows programs run; every 32-bit run is skipped."
elif wineAnswer=$("$loader32" --version 2>&1); then
  WineBitnesses="x86 x64"
  WineRoadReason="This machine runs 32-bit programs: the 32- and the 64-bit Windows programs run under Wine."
else
  WineBitnesses=x64
  wineAnswer=$(printf '%s' "$wineAnswer" | tail -n 1)
  WineRoadReason="This machine runs no 32-bit programs ($loader32 --version: ${wineAnswer:-no answer}): only the 64-bit Windows programs run; every 32-bit run is skipped."
fi
if [ "$WineBitnesses" = x64 ]; then
  Wine=(env "WINELOADER=$loader64" "$loader64")
else
  Wine=(wine)
fi

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  printf '%s\n%s\n%s\n' "$WineBitnesses" "$WineRoadReason" "${Wine[*]}"
fi
