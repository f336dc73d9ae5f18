#!/usr/bin/env bash
# Builds the fuzz targets (build/fuzz, through the main build's kvell_fuzz
# target) and runs each for SECONDS (default 600), one after the other, over a
# working copy of its seed corpus (tests/fuzz/corpus/<name>). New inputs and
# crashing inputs go to build/fuzz-long/<name>/{corpus,crashes}.
#   scripts/fuzz.sh 600
#   scripts/fuzz.sh 60 payload project_file     (only these targets)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
seconds="${1:-600}"
shift || true
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DKVELL_MAIN_ONLY=OFF >/dev/null
cmake --build "$build" --target kvell_fuzz -j 2 >/dev/null

if (($#)); then
  targets=("$@")
else
  targets=()
  for source in "$root"/tests/fuzz/*_fuzzer.cpp; do
    name="$(basename "$source" _fuzzer.cpp)"
    targets+=("$name")
  done
fi
failed=()
for name in "${targets[@]}"; do
  scratch="$build/fuzz-long/$name"
  echo "== $name: $seconds s (crashes go to $scratch/crashes, log $scratch/log)"
  if ! bash "$root/tests/fuzz/run_fuzzer.sh" "$build/fuzz/tests/fuzz/${name}_fuzzer" \
      "$root/tests/fuzz/corpus/$name" "$seconds" "$scratch"; then
    failed+=("$name")
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: crashes in ${failed[*]}; inputs under $build/fuzz-long/<name>/crashes" >&2
  exit 1
fi
echo "fuzz: no crashes; new inputs under $build/fuzz-long/<name>/corpus (copy good ones into tests/fuzz/corpus/<name>)"
