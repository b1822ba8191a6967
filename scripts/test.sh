#!/usr/bin/env bash
# Builds everything and runs every test suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer (leaks checked) in build-sanitize/
# Installs missing build packages first (apt-get). Exits non-zero when anything fails.
# The corpus tests read the shared data beside the repository (../shared, or the folder that
# VORLANE_SHARED_DIR names) and skip without it; VORLANE_REQUIRE_SHARED=1 makes them fail then.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
build_dir="${VORLANE_BUILD_DIR:-build}"
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=ON; build_dir="${VORLANE_BUILD_DIR:-build-sanitize}" ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
jobs="${VORLANE_JOBS:-$( [ "${CI:-}" = true ] && nproc || echo 4 )}"

scripts/deps.sh
cmake -S . -B "$build_dir" -G Ninja -DVORLANE_SANITIZE=$sanitize -DVORLANE_TESTS=ON
ninja -C "$build_dir" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
shared="${VORLANE_SHARED_DIR:-../shared}"
if [ ! -d "$shared/corpus" ]; then
  outcome="skip"
  [ "${VORLANE_REQUIRE_SHARED:-0}" != 0 ] && outcome="fail (VORLANE_REQUIRE_SHARED is set)"
  echo "test.sh: no shared data at $shared: the tests that need it $outcome"
fi
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
