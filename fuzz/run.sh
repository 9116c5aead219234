#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang, writes their seed corpora, and fuzzes each target.
#
#   fuzz/run.sh            CI: first every input of fuzz/regressions/<target>/ (each finding so
#                          far) once, then a short exploration (FUZZ_SECONDS, default 30) from a
#                          fixed seed (FUZZ_SEED, default 1), so that a run fails for a fault of
#                          the code and not by the luck of a random seed.
#   fuzz/run.sh --explore  a longer exploration (FUZZ_SECONDS, default 600) from random seeds,
#                          starting from the seeds and the regressions; what it finds is copied
#                          into fuzz/regressions/<target>/, to be committed with a test of the fix.
#
# A crash, a leak or a sanitizer report fails the run. An allocation beyond MEMORY_MB (2048) fails
# as it would on a machine without that memory: the libraries we read archives with trust sizes
# written in headers and report the failed allocation, which is no fault. Growing beyond the RSS
# limit is one.
set -eu
cd "$(dirname "$0")/.."
mode=ci
case "${1:-}" in
  "") ;;
  --explore) mode=explore ;;
  *)
    echo "usage: fuzz/run.sh [--explore]" >&2
    exit 64
    ;;
esac
BUILD_DIR=${BUILD_DIR:-build-fuzz}
if [ "$mode" = explore ]; then
  SECONDS_EACH=${FUZZ_SECONDS:-600}
else
  SECONDS_EACH=${FUZZ_SECONDS:-30}
fi
SEED=${FUZZ_SEED:-1}
MEMORY_MB=${MEMORY_MB:-2048}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DROMSHELF_FUZZ=ON -DROMSHELF_GUI=OFF -DROMSHELF_BUILD_TESTS=OFF -DROMSHELF_BUILD_BENCHMARKS=OFF \
  -DROMSHELF_LINE_INFO_ONLY="${ROMSHELF_LINE_INFO_ONLY:-OFF}"
cmake --build "$BUILD_DIR" --target fuzz -j "$(nproc)"
corpus="$BUILD_DIR/fuzz/corpus"
# CI starts from the seeds alone; an exploration keeps growing the corpus of earlier ones.
if [ "$mode" = ci ]; then rm -rf "$corpus"; else rm -rf "$corpus/seeds"; fi
"$BUILD_DIR/fuzz/make-fuzz-seeds" "$corpus/seeds" tests/data
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1:max_allocation_size_mb=$MEMORY_MB
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
limits="-malloc_limit_mb=$MEMORY_MB -rss_limit_mb=$((MEMORY_MB + 1024))"

# Each target and the folder of its seeds.
targets="data_file_fuzz:data text_list_fuzz:textlist ini_fuzz:ini archive_fuzz:archive
  codec_fuzz:codec bmp_fuzz:bmp rom_header_fuzz:header csv_fuzz:csv dat_fuzz:dat
  rename_data_fuzz:rename core_info_fuzz:coreinfo rdb_fuzz:rdb folder_listing_fuzz:listing"
count=0
found=""
for pair in $targets; do
  target=${pair%%:*}
  seeds=${pair#*:}
  binary="$BUILD_DIR/fuzz/$target"
  log="$BUILD_DIR/fuzz/$target.log"
  regressions="fuzz/regressions/$target"
  artifacts="$BUILD_DIR/fuzz/artifacts/$target"
  count=$((count + 1))
  rm -rf "$artifacts"
  mkdir -p "$corpus/$target" "$artifacts"

  if [ "$mode" = ci ]; then
    # The files themselves as arguments: libFuzzer runs each once and stops.
    set --
    if [ -d "$regressions" ]; then
      for input in "$regressions"/*; do
        [ -f "$input" ] && set -- "$@" "$input"
      done
    fi
    if [ $# -gt 0 ]; then
      echo "replaying the $# regression inputs of $target"
      # shellcheck disable=SC2086
      "$binary" $limits -runs=1 -artifact_prefix="$artifacts/" "$@" 2>"$log.regressions" ||
        { tail -n 60 "$log.regressions"; echo "$target failed on a regression input"; exit 1; }
    fi
    echo "fuzzing $target for ${SECONDS_EACH}s from seed $SEED"
    # shellcheck disable=SC2086
    "$binary" $limits -seed="$SEED" -max_total_time="$SECONDS_EACH" \
      -artifact_prefix="$artifacts/" "$corpus/$target" "$corpus/seeds/$seeds" 2>"$log" ||
      { tail -n 60 "$log"; echo "$target failed (found inputs: $artifacts)"; exit 1; }
    continue
  fi

  set -- "$corpus/$target" "$corpus/seeds/$seeds"
  [ -d "$regressions" ] && set -- "$@" "$regressions"
  echo "exploring $target for ${SECONDS_EACH}s"
  # shellcheck disable=SC2086
  if ! "$binary" $limits -max_total_time="$SECONDS_EACH" -artifact_prefix="$artifacts/" "$@" \
    2>"$log"; then
    tail -n 60 "$log"
    kept=0
    for input in "$artifacts"/*; do
      [ -f "$input" ] || continue
      mkdir -p "$regressions"
      cp "$input" "$regressions/"
      echo "$target: kept $regressions/$(basename "$input")"
      kept=$((kept + 1))
    done
    [ "$kept" -gt 0 ] || echo "$target failed without an input to keep: see $log"
    found="$found $target"
  fi
done
if [ -n "$found" ]; then
  echo "findings in:$found"
  echo "Each input kept is now in fuzz/regressions/<target>/, where every CI run replays it. Find"
  echo "the fault, fix it and add a test where the fault lives (the tests of the reader that"
  echo "failed, under tests/), then commit the input with the fix."
  exit 1
fi
echo "fuzzing: $count targets ran without a finding"
