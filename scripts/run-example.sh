#!/usr/bin/env bash
# Builds VorlaneCmd (installing missing build packages) and runs its main job, normalizing,
# on the sample projects in examples/. The samples are worked on in a scratch copy, so the
# shipped files stay as they are; the changes are shown as a diff.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${VORLANE_BUILD_DIR:-build}"
scripts/deps.sh
cmake -S . -B "$build_dir" -G Ninja >/dev/null
ninja -C "$build_dir" -j "${VORLANE_JOBS:-4}" VorlaneCmd

exe="$(cd "$build_dir" && pwd)/VorlaneCmd"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r examples/. "$work/"

echo
echo "\$ VorlaneCmd -?"
"$exe" -? </dev/null
echo "\$ VorlaneCmd -n -s -l:run.log '<copy of examples>/*.dproj'"
status=0
(cd "$work" && "$exe" -n -s -l:run.log "$work/*.dproj" </dev/null) || status=$?
echo
echo "Changes made to the copy:"
diff -ru --strip-trailing-cr examples "$work" --exclude=run.log | head -80 || true
exit $status
