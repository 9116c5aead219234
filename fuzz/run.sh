#!/bin/sh
# Builds the fuzz targets with clang, writes their seed corpora, and runs each for a short while
# (FUZZ_SECONDS, default 30). A crash, leak or sanitizer report fails the run.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DROMSHELF_FUZZ=ON -DROMSHELF_GUI=OFF -DROMSHELF_BUILD_TESTS=OFF -DROMSHELF_BUILD_BENCHMARKS=OFF
cmake --build "$BUILD_DIR" --target fuzz -j "$(nproc)"
corpus="$BUILD_DIR/fuzz/corpus"
rm -rf "$corpus"
"$BUILD_DIR/fuzz/make-fuzz-seeds" "$corpus/seeds" tests/data
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for pair in data_file_fuzz:data text_list_fuzz:textlist ini_fuzz:ini archive_fuzz:archive codec_fuzz:codec bmp_fuzz:bmp \
  rom_header_fuzz:header csv_fuzz:csv; do
  target=${pair%%:*}
  seeds=${pair#*:}
  mkdir -p "$corpus/$target"
  echo "fuzzing $target for ${SECONDS_EACH}s"
  "$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_EACH" -artifact_prefix="$BUILD_DIR/fuzz/$target-" \
    "$corpus/$target" "$corpus/seeds/$seeds" 2>"$BUILD_DIR/fuzz/$target.log" ||
    { tail -n 60 "$BUILD_DIR/fuzz/$target.log"; echo "$target failed"; exit 1; }
done
echo "fuzzing: 8 targets ran without a finding"
