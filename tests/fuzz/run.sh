#!/bin/sh
# Builds the XML load fuzzer with clang's libFuzzer and runs it from the committed seeds, with
# the XML dictionary and inputs of up to 4096 bytes.
# Usage: tests/fuzz/run.sh [seconds]   (default 60). Finds go to a temporary folder only:
# each crash is turned into a regression test by hand, never committed as is.
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
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" "$here/XmlLoadFuzzer.cpp" "$root"/platform/*.cpp "$root"/platform/posix/*.cpp \
  "$root"/xml/*.cpp -o "$work/xml_load_fuzzer"
mkdir -p "$work/corpus"
cp "$here"/seeds/* "$work/corpus/"
if "$work/xml_load_fuzzer" -max_total_time="$seconds" -max_len=4096 -dict="$here/xml.dict" -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$work/" "$work/corpus"; then
  rm -rf "$work"
else
  echo "fuzz: failure; the input that caused it is kept in $work" >&2
  exit 1
fi
