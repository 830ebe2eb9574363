#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each one on a copy of the seed corpus.
# Usage: tests/fuzz/run.sh [seconds per target, default 60] [build folder, default build-fuzz]
# Set FUZZ_RUNS=N instead to run a fixed number of inputs with a fixed seed (repeatable).
# Set FUZZ_TARGETS="name ..." to build and run only those targets (default: all of them).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
seconds="${1:-60}"
build="${2:-$root/build-fuzz}"

# target:seed folder under tests/data
all="wav_reader_fuzzer:tape/seeds tape_decoder_fuzzer:tape/seeds sysex_fuzzer:sysex/seeds state_fuzzer:state/seeds"
selected=()
for entry in $all; do
  if [ -z "${FUZZ_TARGETS:-}" ] || [[ " $FUZZ_TARGETS " == *" ${entry%%:*} "* ]]; then selected+=("$entry"); fi
done
if [ ${#selected[@]} -eq 0 ]; then echo "fuzz: no target matches FUZZ_TARGETS=$FUZZ_TARGETS" >&2; exit 2; fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build" -j2 "${selected[@]%%:*}" >/dev/null

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
for entry in "${selected[@]}"; do
  target="${entry%%:*}"
  mkdir -p "$corpus/$target"
  cp "$root/tests/data/${entry#*:}"/* "$corpus/$target/"
  if [ -n "${FUZZ_RUNS:-}" ]; then
    limits=(-runs="$FUZZ_RUNS" -seed=1)
  else
    limits=(-max_total_time="$seconds")
  fi
  echo "fuzz: $target"
  # 64 KiB inputs leave room for real recordings; 10 s per input catches runaway loops.
  "$build/$target" "${limits[@]}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/$target-" -print_final_stats=1 "$corpus/$target" 2>&1 |
    grep -E "^#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY|Done" || true
  # libFuzzer's own status decides; the filter above only keeps the log short.
  test "${PIPESTATUS[0]}" -eq 0
done
echo "fuzz: no failures"
