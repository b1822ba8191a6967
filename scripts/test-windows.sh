#!/usr/bin/env bash
# Cross-builds everything for 64-bit Windows (MinGW-w64 x86-64) in build-win64/ and runs every
# test suite under wine, in a wine prefix of its own that is removed afterwards.
# Installs missing packages first (apt-get). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${VORLANE_WIN_BUILD_DIR:-build-win64}"
jobs="${VORLANE_JOBS:-$( [ "${CI:-}" = true ] && nproc || echo 4 )}"
scripts/deps.sh --cross --wine

# Debian puts the 64-bit loader outside the PATH; "wine" finds it too.
wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine="$(command -v "$candidate")"
    break
  fi
done
[ -n "$wine" ] || { echo "test-windows.sh: no wine found" >&2; exit 1; }

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVORLANE_TESTS=ON -DCMAKE_CROSSCOMPILING_EMULATOR="$wine"
ninja -C "$build_dir" -j "$jobs"

prefix="$(mktemp -d "${TMPDIR:-/tmp}/vorlane-wine.XXXXXX")"
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
start=$SECONDS
"$wine" wineboot --init >/dev/null 2>&1 || true
echo "wine prefix ready in $((SECONDS - start)) s"
status=0
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" || status=$?
echo "tests under wine took $((SECONDS - start)) s"
exit $status
