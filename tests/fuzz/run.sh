#!/bin/sh
# Builds the fuzz targets with clang's libFuzzer and runs each from its committed seeds: the
# XML load fuzzer (seeds/, with the XML dictionary) and the binary form reader (seeds-dfm/),
# sharing the time.
# Usage: tests/fuzz/run.sh [seconds]   (default 60 in all). Finds go to a temporary folder
# only: each crash is turned into a regression test by hand, never committed as is.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
cxx=${CXX_FUZZ:-clang++}
if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzz: $cxx not found, skipped"
  exit 0
fi
work=$(mktemp -d)
flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$root"
platform="$root/platform/*.cpp $root/platform/posix/*.cpp"
# shellcheck disable=SC2086
"$cxx" $flags "$here/XmlLoadFuzzer.cpp" $platform "$root"/xml/*.cpp -o "$work/xml_load_fuzzer"
# shellcheck disable=SC2086
"$cxx" $flags "$here/FormBinaryFuzzer.cpp" $platform -o "$work/form_binary_fuzzer"

# run <target> <seed folder> <seconds> [libFuzzer options]
run() {
  local target=$1 seeds=$2 time=$3
  shift 3
  mkdir -p "$work/$target-corpus"
  cp "$here/$seeds"/* "$work/$target-corpus/"
  "$work/$target" -max_total_time="$time" -max_len=4096 "$@" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/$target-" "$work/$target-corpus"
}
half=$((seconds / 2))
status=0
run xml_load_fuzzer seeds "$half" -dict="$here/xml.dict" || status=1
run form_binary_fuzzer seeds-dfm "$((seconds - half))" || status=1
if [ "$status" -eq 0 ]; then
  rm -rf "$work"
else
  echo "fuzz: failure; the input that caused it is kept in $work" >&2
  exit 1
fi
