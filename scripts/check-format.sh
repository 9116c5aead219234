#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a tracked C++ file under src/, tests/, bench/ or fuzz/ is not laid out as
# .clang-format says; scripts/format.sh fixes that.
set -eu
cd "$(dirname "$0")/.."
if ! ./scripts/format.sh --dry-run -Werror; then
  echo "check-format: files above differ from .clang-format ($(clang-format --version)); run scripts/format.sh" >&2
  exit 1
fi
