#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the installation as a user meets it, from a tree already built (default: build/):
#  - `cmake --install` and the .deb (CPack) put the same files, and only those, into the prefix
#    (the programs into bin/ there, into /usr/games in the package);
#  - the installed programs have no .comment section;
#  - the .deb depends on the runtime packages, lintian finds no error nor warning in it, its
#    changelog is of its version, and its desktop entry and metainfo validate;
#  - unpacked into a scratch root, the installed programs answer --help and --version without
#    making anything, and the installed romshelf starts offscreen, keeps its data in
#    $XDG_DATA_HOME/romshelf-plus/ (nothing beside the executable) and saves data/MainData.slb
#    when stopped with SIGTERM.
# The libraries come from the system: LD_LIBRARY_PATH is left as it is.
set -eu
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
id=io.github.romshelf.RomshelfPlus
scratch=$(mktemp -d "${TMPDIR:-/tmp}/romshelf-package.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "package-check: $*" >&2
  exit 1
}
# The files under a root, one a line, without the root.
files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# The files installed under the prefix $1 with the programs in its folder $2.
expected_files() {
  echo "$1/$2/romshelf"
  echo "$1/$2/romshelf-cli"
  echo "$1/share/applications/$id.desktop"
  echo "$1/share/bash-completion/completions/romshelf-cli"
  echo "$1/share/doc/romshelf-plus/changelog.Debian.gz"
  echo "$1/share/doc/romshelf-plus/copyright"
  for size in 128 16 256 32 48 512 64; do
    echo "$1/share/icons/hicolor/${size}x$size/apps/romshelf-plus.png"
  done
  echo "$1/share/icons/hicolor/scalable/apps/romshelf-plus.svg"
  echo "$1/share/lintian/overrides/romshelf-plus"
  echo "$1/share/man/man6/romshelf-cli.6.gz"
  echo "$1/share/man/man6/romshelf.6.gz"
  echo "$1/share/metainfo/$id.metainfo.xml"
  echo "$1/share/zsh/vendor-completions/_romshelf-cli"
}

# cmake --install into a prefix of its own.
cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
expected_files "" bin | sed 's|^/||' | LC_ALL=C sort >"$scratch/expected-prefix"
files_under "$scratch/prefix" >"$scratch/installed-prefix"
diff -u "$scratch/expected-prefix" "$scratch/installed-prefix" ||
  fail "cmake --install put other files into the prefix than above"

# The package.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
set -- "$scratch"/out/romshelf-plus_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then fail "cpack made no single romshelf-plus .deb"; fi
deb=$1
dpkg-deb -f "$deb" Package Version Architecture Section Depends Recommends
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the section is not games"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for p in libqt6widgets6 libqt6gui6 libicu72 libarchive13 libsdl2-mixer-2.0-0 libgcab-1.0-0 \
  libpugixml1v5 libssl3 libisal2 liblzma5 libx11-6 libxtst6 \
  qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n fonts-ipafont-gothic; do
  echo "$depends" | grep -qx "$p" || fail "the package does not depend on $p"
done

# Every error and warning fails; the informational tags are shown.
lintian --fail-on error,warning --display-info "$deb" || fail "lintian finds fault with the package"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
expected_files usr games | LC_ALL=C sort >"$scratch/expected-root"
files_under "$root" >"$scratch/unpacked"
diff -u "$scratch/expected-root" "$scratch/unpacked" || fail "the package holds other files than above"
# Neither installation keeps the compilers' and libraries' version strings in the programs.
for program in "$root/usr/games/romshelf" "$root/usr/games/romshelf-cli" \
  "$scratch/prefix/bin/romshelf" "$scratch/prefix/bin/romshelf-cli"; do
  if readelf -S -W "$program" | grep -q ' \.comment '; then
    fail "$program keeps its .comment section"
  fi
done
doc=$root/usr/share/doc/romshelf-plus
gzip -dc "$doc/changelog.Debian.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ] ||
  fail "the changelog's first entry is not of the package's version"

desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
# The id is reverse-DNS with the project's name in it: the one pedantic remark allowed.
appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/$id.metainfo.xml" \
  >"$scratch/appstream.txt" 2>&1 || { cat "$scratch/appstream.txt" >&2; fail "the metainfo does not validate"; }
cat "$scratch/appstream.txt"
if grep '^[EWIP]: ' "$scratch/appstream.txt" | grep -qv ': cid-contains-uppercase-letter '; then
  fail "appstreamcli validate --pedantic has remarks on the metainfo"
fi
grep -qx "Icon=romshelf-plus" "$desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=romshelf" "$desktop" || fail "the desktop entry starts another program"
grep -qx "StartupWMClass=Romshelf Plus" "$desktop" || fail "the desktop entry names another window class"

# The installed programs, with a home of their own.
(cd "$root" && find . | LC_ALL=C sort) >"$scratch/before-run"
export HOME="$scratch/home"
export XDG_DATA_HOME="$HOME/data-home"
mkdir -p "$HOME"
user=$XDG_DATA_HOME/romshelf-plus
for program in romshelf-cli romshelf; do
  "$root/usr/games/$program" --help >"$scratch/help.txt" || fail "$program --help failed"
  grep -q "^Usage: $program" "$scratch/help.txt" || fail "$program --help printed no usage"
  "$root/usr/games/$program" --version >"$scratch/version.txt" || fail "$program --version failed"
  grep -q "^License GPL-3.0-or-later" "$scratch/version.txt" || fail "$program --version names no licence"
done
[ ! -e "$user" ] || fail "--help or --version made $user"
bash -c '. "$1" && complete -p romshelf-cli' sh "$root/usr/share/bash-completion/completions/romshelf-cli" \
  >/dev/null || fail "the bash completion does not load"

QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$root/usr/games/romshelf" 2>"$scratch/romshelf.err" &
pid=$!
tries=0
until [ -d "$user/data" ]; do
  kill -0 "$pid" 2>/dev/null || { cat "$scratch/romshelf.err" >&2; fail "romshelf ended early"; }
  tries=$((tries + 1))
  [ $tries -le 300 ] || { cat "$scratch/romshelf.err" >&2; fail "no data folder in $user after 30 s"; }
  sleep 0.1
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ $status -eq 0 ] || { cat "$scratch/romshelf.err" >&2; fail "romshelf exited with $status on SIGTERM"; }
[ -f "$user/data/MainData.slb" ] || fail "romshelf saved no $user/data/MainData.slb"
(cd "$root" && find . | LC_ALL=C sort) >"$scratch/after-run"
diff -u "$scratch/before-run" "$scratch/after-run" || fail "the programs wrote into the installed tree"
echo "package-check: $(basename "$deb") installs, validates, and runs with its data in \$XDG_DATA_HOME"
