#!/bin/sh
# Installs what is needed, builds, and starts Romshelf Plus.
# The program keeps its data beside the executable (build/bin/data, …).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
exec "${BUILD_DIR:-build}/bin/romshelf"
