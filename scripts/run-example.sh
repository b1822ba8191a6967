#!/usr/bin/env bash
# Builds VorlaneCmd (installing missing build packages) and runs its main job on the sample
# projects in examples/: normalizing them into an output folder (build/normalized by default),
# so the shipped samples stay as they are, then showing what changed as a diff.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${VORLANE_BUILD_DIR:-build}"
scripts/deps.sh
cmake -S . -B "$build_dir" -G Ninja >/dev/null
ninja -C "$build_dir" -j "${VORLANE_JOBS:-4}" VorlaneCmd

exe="$(cd "$build_dir" && pwd)/VorlaneCmd"
out="${VORLANE_EXAMPLE_OUT:-$build_dir/normalized}"
rm -rf "$out"

echo
echo "\$ VorlaneCmd -n -s -o:$out -l:$out/run.log 'examples/*.dproj'"
status=0
"$exe" -n -s "-o:$out" "-l:$out/run.log" 'examples/*.dproj' </dev/null || status=$?
echo
echo "Changes made by normalizing (examples/ -> $out/):"
diff -ru --strip-trailing-cr examples "$out" --exclude=run.log | head -120 || true
exit $status
