#!/usr/bin/env bash
# Builds VorlaneCmd (installing missing build packages) and runs it on the sample project in
# examples/. The sample is worked on in a scratch copy, so the shipped file stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${VORLANE_BUILD_DIR:-build}"
scripts/deps.sh
cmake -S . -B "$build_dir" -G Ninja
ninja -C "$build_dir" -j "${VORLANE_JOBS:-4}" VorlaneCmd

exe="$(cd "$build_dir" && pwd)/VorlaneCmd"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r examples/. "$work/"
echo "\$ VorlaneCmd -?"
"$exe" -? </dev/null
echo "\$ VorlaneCmd -s -l:run.log <examples>/*.dproj"
(cd "$work" && "$exe" -s -l:run.log "$work/*.dproj" </dev/null)
