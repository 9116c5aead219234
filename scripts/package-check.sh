#!/bin/sh
# Checks the installation as a user meets it, from a tree already built (default: build/):
#  - `cmake --install` and the .deb (CPack) put the same files, and only those, into the prefix;
#  - the .deb depends on the runtime packages; its desktop entry and metainfo validate;
#  - unpacked into a scratch root, the installed romshelf-cli answers --help, and the installed
#    romshelf starts offscreen, keeps its data in $XDG_DATA_HOME/romshelf-plus/ (nothing beside
#    the executable) and saves data/MainData.slb when stopped with SIGTERM.
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

expected_files() {
  echo "$1/bin/romshelf"
  echo "$1/bin/romshelf-cli"
  echo "$1/share/applications/$id.desktop"
  for size in 128 16 256 32 48 64; do
    echo "$1/share/icons/hicolor/${size}x$size/apps/romshelf-plus.png"
  done
  echo "$1/share/metainfo/$id.metainfo.xml"
}

# cmake --install into a prefix of its own.
cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" ||
  { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
expected_files "" | sed 's|^/||' | LC_ALL=C sort >"$scratch/expected-prefix"
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
  libpugixml1v5 libnettle8 libx11-6 libxtst6 \
  qt6-qpa-plugins qt6-image-formats-plugins qt6-translations-l10n fonts-ipafont-gothic; do
  echo "$depends" | grep -qx "$p" || fail "the package does not depend on $p"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
expected_files usr | LC_ALL=C sort >"$scratch/expected-root"
files_under "$root" >"$scratch/unpacked"
diff -u "$scratch/expected-root" "$scratch/unpacked" || fail "the package holds other files than above"

desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not validate"
grep -qx "Icon=romshelf-plus" "$desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=romshelf" "$desktop" || fail "the desktop entry starts another program"

# The installed programs, with a home of their own.
(cd "$root" && find . | LC_ALL=C sort) >"$scratch/before-run"
export HOME="$scratch/home"
export XDG_DATA_HOME="$HOME/data-home"
mkdir -p "$HOME"
user=$XDG_DATA_HOME/romshelf-plus
"$root/usr/bin/romshelf-cli" --help >"$scratch/help.txt" || fail "romshelf-cli --help failed"
grep -q "romshelf-cli" "$scratch/help.txt" || fail "romshelf-cli --help printed no usage"

QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$root/usr/bin/romshelf" 2>"$scratch/romshelf.err" &
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
