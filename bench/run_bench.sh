#!/usr/bin/env bash
# Console-program benchmark, run by hand; results go into bench/RESULTS.md by hand.
#   bench/run_bench.sh [repetitions]        (default 5; every figure is a median)
# 1. VorlaneCmd -n -s -o:<tmp> over a copy of the shared corpus of .dproj files, one process.
# 2. Load + indented save of a generated ~20 MB MSBuild project: Vorlane next to libxml2 and
#    pugixml (both from Debian packages, built here only, never linked into the product).
# 3. Load + normalize + save of that project and of one ten times smaller.
# 4. Peak resident memory of 1 and 3 (GNU time).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
reps="${1:-5}"
build="${VORLANE_BENCH_BUILD:-$root/build-bench}"
corpus="$root/../shared/corpus/dproj"

need=()
for p in cmake ninja-build g++ pkg-config libxml2-dev libpugixml-dev time; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if ((${#need[@]})); then
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get install -y "${need[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLANE_BENCH=ON -DVORLANE_TESTS=OFF >/dev/null
ninja -C "$build" -j4 VorlaneCmd dproj_throughput >/dev/null
# The peers are built here only; their packages are the benchmark's own needs, not the product's.
g++ -std=c++20 -O3 -DNDEBUG "$root/bench/peers/libxml2_loadsave.cpp" $(pkg-config --cflags --libs libxml-2.0) -o "$build/libxml2_loadsave"
g++ -std=c++20 -O3 -DNDEBUG "$root/bench/peers/pugixml_loadsave.cpp" $(pkg-config --cflags --libs pugixml) -o "$build/pugixml_loadsave"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Peak resident set of a command in KiB (its output goes to /dev/null).
peak_kib() { /usr/bin/time -f "%M" -o "$work/rss" "$@" >/dev/null; cat "$work/rss"; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
echo "repetitions: $reps (medians)"

# 1. The console program over the corpus.
if [ -d "$corpus" ]; then
  cp -r "$corpus" "$work/corpus"
  files=$(ls "$work/corpus"/*.dproj | wc -l)
  bytes=$(cat "$work/corpus"/*.dproj | wc -c)
  : >"$work/times"; : >"$work/rsses"
  for ((i = 0; i < reps; i++)); do
    rm -rf "$work/out"
    start=$(date +%s%N)
    # Each file is its own argument, so a malformed corpus file fails alone instead of ending
    # the rest of a mask's files; the exit code is then 1, which is expected here.
    /usr/bin/time -f "%M" -o "$work/rss" "$build/VorlaneCmd" -n -s "-o:$work/out" "$work/corpus"/*.dproj </dev/null >"$work/cmd.log" || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000)) >>"$work/times"
    cat "$work/rss" >>"$work/rsses"
  done
  converted=$(grep -c '^converting: ' "$work/cmd.log" || true)
  written=$(ls "$work/out" | wc -l)
  echo "   corpus: $converted files converted, $written written, $(grep -c '^Error: ' "$work/cmd.log" || true) error lines:"
  grep '^Error: ' "$work/cmd.log" | sed "s|$work/corpus/||; s/^/   /" || true
  total_us=$(median <"$work/times")
  echo "1. VorlaneCmd -n -s -o over $files corpus files ($((bytes / 1024)) KiB): total $(awk -v t="$total_us" 'BEGIN { printf "%.1f", t / 1000 }') ms," \
    "$(awk -v t="$total_us" -v n="$files" 'BEGIN { printf "%.3f", t / 1000 / n }') ms per file, peak RSS $(median <"$work/rsses") KiB"
else
  echo "1. skipped: no corpus at $corpus"
fi

# 2. and 3. on generated projects.
"$build/bench/dproj_throughput" generate "$work/large.dproj" 20 >/dev/null
"$build/bench/dproj_throughput" generate "$work/small.dproj" 2 >/dev/null
large_kib=$(($(wc -c <"$work/large.dproj") / 1024))
small_kib=$(($(wc -c <"$work/small.dproj") / 1024))
echo "2. load + indented save of the generated project ($large_kib KiB), the three tools taking turns:"
# Each round runs every tool once (three loads and saves in one process, its median); a change
# in machine load then hits all three alike. The figures are the medians over the rounds.
field() { sed -n "s/.* $1 \([0-9.]*\) ms.*/\1/p"; }
: >"$work/peers"
for ((i = 0; i < reps; i++)); do
  for tool in vorlane libxml2 pugixml; do
    case $tool in
      vorlane) line=$("$build/bench/dproj_throughput" loadsave "$work/large.dproj" 3) ;;
      libxml2) line=$("$build/libxml2_loadsave" "$work/large.dproj" 3) ;;
      pugixml) line=$("$build/pugixml_loadsave" "$work/large.dproj" 3) ;;
    esac
    echo "$tool $(echo "$line" | field load) $(echo "$line" | field save) $(echo "$line" | field total)" >>"$work/peers"
  done
done
for tool in vorlane libxml2 pugixml; do
  load=$(awk -v t=$tool '$1 == t { print $2 }' "$work/peers" | median)
  save=$(awk -v t=$tool '$1 == t { print $3 }' "$work/peers" | median)
  total=$(awk -v t=$tool '$1 == t { print $4 }' "$work/peers" | median)
  echo "   $tool: load $load ms, save $save ms, total $total ms," \
    "$(awk -v k="$large_kib" -v t="$total" 'BEGIN { printf "%.1f", k / 1024 / (t / 1000) }') MB/s"
done
echo "3. load + normalize + save:"
echo "   $("$build/bench/dproj_throughput" normalize "$work/small.dproj" "$reps")"
echo "   $("$build/bench/dproj_throughput" normalize "$work/large.dproj" "$reps")"
echo "4. peak RSS of one load + normalize + save: small ($small_kib KiB file) $(peak_kib "$build/bench/dproj_throughput" normalize "$work/small.dproj" 1) KiB," \
  "large ($large_kib KiB file) $(peak_kib "$build/bench/dproj_throughput" normalize "$work/large.dproj" 1) KiB"
