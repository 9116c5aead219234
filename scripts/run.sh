#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and starts Romshelf Plus.
# The program keeps its data beside the executable (build/bin/data, …).
#   ./scripts/run.sh          on your own program folder
#   ./scripts/run.sh --demo   on a demo catalogue in build/demo, made by the program itself on
#                             the first run (home-made ROMs, records, snaps, installed emulators)
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
if [ "${1:-}" = "--demo" ]; then
  exec "$BUILD_DIR/bin/romshelf" --demo "$BUILD_DIR/demo"
fi
exec "$BUILD_DIR/bin/romshelf"
