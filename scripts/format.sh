#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Formats every tracked C++ file under src/, tests/, bench/ and fuzz/ in place with clang-format
# (the Debian 12 one, 14: other versions lay some lines out differently).
# Arguments, when given, replace -i: check-format.sh passes --dry-run -Werror.
set -eu
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- -i
git rev-parse --is-inside-work-tree >/dev/null  # the file list comes from git
git ls-files -z -- \
  'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' |
  xargs -0 -r -n 20 -P "$(nproc)" clang-format --style=file "$@"
