#!/usr/bin/env bash
# Builds into build/ (KVELL_BUILD_DIR): the host half (portable code, kvellpack,
# kvellrun, the Java side) and the Windows half (kvell.exe, cross-compiled).
# Arguments go to CMake's configure step: scripts/test.sh builds every test
# under the sanitizers, scripts/hello.sh only what the main job needs
# (-DKVELL_MAIN_ONLY=ON), without them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
