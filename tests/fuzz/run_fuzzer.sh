#!/usr/bin/env bash
# Runs one fuzz target for SECONDS over a working copy of its seed corpus:
#   run_fuzzer.sh FUZZER SEED_DIR SECONDS SCRATCH_DIR [libFuzzer options...]
# New inputs go to SCRATCH_DIR/corpus (the seeds stay untouched), crashing
# inputs to SCRATCH_DIR/crashes.
set -uo pipefail
# Paths are made absolute: a target may change its working directory.
fuzzer=$(realpath -m "$1") seeds=$(realpath -m "$2") seconds=$3 scratch=$(realpath -m "$4")
shift 4
mkdir -p "$scratch/corpus" "$scratch/crashes"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$scratch/crashes/" "$@" "$scratch/corpus" "$seeds" >"$scratch/log" 2>&1
status=$?
grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" "$scratch/log" | tr '\n' ' '
echo
if [ "$status" != 0 ]; then
  tail -n 60 "$scratch/log"
  echo "$(basename "$fuzzer"): failed (exit $status); crashing inputs in $scratch/crashes, full log $scratch/log" >&2
fi
exit "$status"
