#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, running and testing Romshelf Plus needs.
# Safe to run again: packages already present are left alone.
# clang-format checks the code layout in CI; clang is there for libFuzzer builds; python3 (its
# zlib) is the independent CRC the rename tests check against, and python3-msgpack writes the
# RetroArch databases the fill tests read; libxml2-utils (xmllint) checks the
# fixdats against the Logiqx DTD. mednafen, and RetroArch with its
# Nestopia core and the cores' .info files, are the real emulators the end-to-end tests launch;
# RetroArch runs there under dbus-run-session (dbus-daemon), as it aborts without a session bus.
# Wine (wine64 for 64-bit programs) starts the Windows emulators of settings copied from Windows;
# the Wine tests run a stand-in Windows program built with the MinGW cross compiler.
# help2man makes the manual pages from the programs' --help. dpkg-dev finds the .deb's library
# dependencies; lintian checks the .deb, desktop-file-utils and appstream its desktop entry and
# metainfo. ccache lets CI's build without the window take the compilations of the full build.
# strace counts the calls on files the share benchmarks report.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config git ccache
  clang clang-format
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-translations-l10n libgl-dev
  libicu-dev libarchive-dev liblzma-dev libgcab-dev zlib1g-dev nlohmann-json3-dev
  libpugixml-dev libssl-dev libisal-dev libsqlite3-dev libmsgpack-cxx-dev
  libsdl2-dev libsdl2-mixer-dev timgm6mb-soundfont
  libx11-dev libxtst-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils
  mednafen retroarch libretro-nestopia libretro-core-info dbus-daemon
  wine wine64 g++-mingw-w64-x86-64
  zip unzip p7zip-full lhasa gcab cabextract
  python3 python3-msgpack libxml2-utils
  openssh-server openssh-client sshfs fuse3 strace
  help2man
  dpkg-dev lintian desktop-file-utils appstream
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
