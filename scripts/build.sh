#!/usr/bin/env bash
# Builds everything: the host half (portable code, unit tests, kvellpack) and the
# Windows half (kvell.exe and the Windows test programs, cross-compiled).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"
