#!/bin/sh
# Configures and builds Romshelf Plus into $BUILD_DIR (default: build).
# ROMSHELF_SANITIZE=ON builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
  -DROMSHELF_SANITIZE="${ROMSHELF_SANITIZE:-OFF}"
cmake --build "$BUILD_DIR" -j "$(nproc)"
