#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds Romshelf Plus into $BUILD_DIR (default: build).
# Each variable below sets the CMake option of the same name (default in brackets):
#   ROMSHELF_GUI=OFF              only the core and romshelf-cli, without Qt [ON]
#   ROMSHELF_SANITIZE=ON          AddressSanitizer and UndefinedBehaviorSanitizer [OFF]
#   ROMSHELF_TSAN=ON              ThreadSanitizer [OFF]
#   ROMSHELF_WERROR=ON            warnings are errors [OFF]
#   ROMSHELF_BUILD_BENCHMARKS=OFF no benchmarks [ON]
#   ROMSHELF_LINE_INFO_ONLY=ON    debug information of source lines only, a faster build [OFF]
# BUILD_TARGETS="a b" builds only those targets (default: everything).
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B "$BUILD_DIR" -G Ninja \
  -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
  -DROMSHELF_GUI="${ROMSHELF_GUI:-ON}" \
  -DROMSHELF_SANITIZE="${ROMSHELF_SANITIZE:-OFF}" \
  -DROMSHELF_TSAN="${ROMSHELF_TSAN:-OFF}" \
  -DROMSHELF_WERROR="${ROMSHELF_WERROR:-OFF}" \
  -DROMSHELF_BUILD_BENCHMARKS="${ROMSHELF_BUILD_BENCHMARKS:-ON}" \
  -DROMSHELF_LINE_INFO_ONLY="${ROMSHELF_LINE_INFO_ONLY:-OFF}"
if [ -n "${BUILD_TARGETS:-}" ]; then
  # shellcheck disable=SC2086
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target $BUILD_TARGETS
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi
