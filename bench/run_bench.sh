#!/usr/bin/env bash
# Console-program and document benchmark, run by hand; results go into bench/RESULTS.md by hand.
#   bench/run_bench.sh [rounds]        (default 5; every figure is a median over the rounds)
# 1. The corpus run: VorlaneCmd -n -s -o:<new folder> over a copy of the shared corpus of .dproj
#    files (each file its own argument), CPU time (user + system) per file, on the disk and,
#    where /dev/shm exists, on tmpfs (no disk: what is left is the program's own work); and a
#    second run that finds nothing to write.
# 2. Load + indented save of the generated 20 MB and 200 MB projects and of the corpus
#    concatenated into one document: Vorlane next to libxml2 and pugixml (Debian packages,
#    built here only, never linked into the product), the three taking turns in every round,
#    each rendering into a buffer it keeps across repetitions.
# 3. Growth from 20 MB to 200 MB: every command of VorlaneCmd (output on tmpfs where there is
#    one) and the normalizer alone.
# 4. Peak resident memory (GNU time, %M) of the console program and of the three load + save
#    programs for 2, 20 and 200 MB and the corpus document.
# The machine's load average is printed before and after every measure: other work on the
# machine slows all tools of a round alike, but not every round alike.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-5}"
build="${VORLANE_BENCH_BUILD:-$root/build-bench}"
corpus="$root/../shared/corpus"

need=()
for p in cmake ninja-build g++ pkg-config libxml2-dev libpugixml-dev time perl; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if ((${#need[@]})); then
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get install -y "${need[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLANE_BENCH=ON -DVORLANE_TESTS=OFF >/dev/null
ninja -C "$build" -j4 VorlaneCmd dproj_throughput page_faults >/dev/null
# The peers are built here only; their packages are the benchmark's own needs, not the product's.
g++ -std=c++20 -O3 -DNDEBUG "$root/bench/peers/libxml2_loadsave.cpp" $(pkg-config --cflags --libs libxml-2.0) -o "$build/libxml2_loadsave"
g++ -std=c++20 -O3 -DNDEBUG "$root/bench/peers/pugixml_loadsave.cpp" $(pkg-config --cflags --libs pugixml) -o "$build/pugixml_loadsave"

work="$(mktemp -d)"
shm=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then shm="$(mktemp -d /dev/shm/vorlane-bench.XXXXXX)"; fi
trap 'rm -rf "$work" ${shm:+"$shm"}' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
machine_load() { echo "   (load average $(awk '{ print $1, $2, $3 }' /proc/loadavg) $1)"; }
# Runs a command under GNU time and prints "wall user system peak-KiB"; the exit code of the
# command does not matter (a corpus with malformed files ends with 1), and -q keeps GNU time
# from writing a status line into the figures.
# The times come from the shell's own clock to the millisecond (GNU time prints 10 ms steps,
# 0.04 ms per corpus file); they include GNU time's own start, well under a millisecond.
timed() {
  local TIMEFORMAT='%3R %3U %3S'
  { time /usr/bin/time -q -f "%M" -o "$work/peak" "$@" </dev/null >/dev/null 2>&1 || true; } 2>"$work/time"
  echo "$(cat "$work/time") $(cat "$work/peak")"
}
field() { sed -n "s/.* $1 \([0-9.]*\) ms.*/\1/p"; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
echo "rounds: $rounds (medians)"
# Large loads wait mostly for page faults, whose cost differs between (virtual) machines by
# tens of times; the figure says which kind of machine the run had.
"$build/bench/page_faults" 64

"$build/bench/dproj_throughput" generate "$work/g2.dproj" 2 >/dev/null
"$build/bench/dproj_throughput" generate "$work/g20.dproj" 20 >/dev/null
"$build/bench/dproj_throughput" generate "$work/g200.dproj" 200 >/dev/null
# The readable corpus projects as one document: byte-order marks and declarations dropped,
# the projects side by side below one root.
if [ -d "$corpus/dproj" ]; then
  {
    printf '\xEF\xBB\xBF<Corpus>\r\n'
    for f in "$corpus/dproj"/*.dproj; do
      grep -q "^dproj/$(basename "$f")	.*MALFORMED" "$corpus/MANIFEST.tsv" && continue
      perl -0777 -pe 's/^\xEF\xBB\xBF//; s/^\s*<\?xml[^>]*\?>//' "$f"
      printf '\r\n'
    done
    printf '</Corpus>\r\n'
  } >"$work/corpus.xml"
fi

# 1. The corpus run.
if [ -d "$corpus/dproj" ]; then
  echo "1. corpus run: VorlaneCmd -n -s -o:<new folder>, each corpus file its own argument"
  machine_load before
  files=$(ls "$corpus/dproj"/*.dproj | wc -l)
  for place in disk tmpfs; do
    case $place in
      disk) base="$work" ;;
      tmpfs) [ -n "$shm" ] || continue; base="$shm" ;;
    esac
    rm -rf "$base/corpus" && cp -r "$corpus/dproj" "$base/corpus"
    : >"$work/first"; : >"$work/second"
    for ((i = 0; i < rounds; i++)); do
      timed "$build/VorlaneCmd" -n -s "-o:$base/out$i" "$base/corpus"/*.dproj >>"$work/first"
      timed "$build/VorlaneCmd" -n -s "-o:$base/out$i" "$base/corpus"/*.dproj >>"$work/second"
    done
    "$build/VorlaneCmd" -n -s "-o:$base/check" "$base/corpus"/*.dproj </dev/null >"$work/cmd.log" 2>&1 || true
    written=$(ls "$base/check" | wc -l)
    errors=$(grep -c '^Error: ' "$work/cmd.log" || true)
    rm -rf "$base"/out* "$base/check"
    wall=$(awk '{ print $1 }' "$work/first" | median)
    cpu=$(awk '{ print $2 + $3 }' "$work/first" | median)
    sys=$(awk '{ print $3 }' "$work/first" | median)
    again=$(awk '{ print $2 + $3 }' "$work/second" | median)
    rss=$(awk '{ print $4 }' "$work/first" | median)
    echo "   $place: $files files, $written written, $errors error lines; wall $wall s, CPU $cpu s" \
      "(system $sys s) = $(awk -v c="$cpu" -v n="$files" 'BEGIN { printf "%.3f", c * 1000 / n }') ms per file;" \
      "second run (nothing written) $(awk -v c="$again" -v n="$files" 'BEGIN { printf "%.3f", c * 1000 / n }') ms per file; peak RSS $rss KiB"
  done
  machine_load after
else
  echo "1. skipped: no corpus at $corpus"
fi

# 2. Load + indented save, the three tools taking turns in every round. Two ways of running:
#    settled: seven repetitions in one process, median (memory freed by one repetition serves
#    the next, as in a run over many files); fresh: the first load + save in a new process,
#    as one file's run of a console program. The 200 MB document is read fresh only. The
#    ratios are medians of each round's ratio: the machine changes pace from second to second,
#    and the tools of one round share its pace.
# The median over the rounds of Vorlane's total over peer $1's in that round.
ratio() {
  awk -v p="$1" '{ t[$1, $2] = $5 } END { for (i = 0; (i, "vorlane") in t; i++) printf "%.3f\n", t[i, "vorlane"] / t[i, p] }' "$work/peers" | median
}
echo "2. load + indented save, tools taking turns (settled: median of 7 in one process; fresh: 1 per process)"
for spec in "g20 7" "g20 1" "g200 1" "corpus 7" "corpus 1"; do
  read -r doc reps <<<"$spec"
  file="$work/$doc.dproj"
  [ "$doc" = corpus ] && file="$work/corpus.xml"
  [ -f "$file" ] || continue
  how=settled
  [ "$reps" = 1 ] && how=fresh
  machine_load "before $doc $how"
  : >"$work/peers"
  for ((i = 0; i < rounds; i++)); do
    for tool in vorlane libxml2 pugixml; do
      case $tool in
        vorlane) line=$("$build/bench/dproj_throughput" loadsave "$file" $reps) ;;
        libxml2) line=$("$build/libxml2_loadsave" "$file" $reps) ;;
        pugixml) line=$("$build/pugixml_loadsave" "$file" $reps) ;;
      esac
      echo "$i $tool $(echo "$line" | field load) $(echo "$line" | field save) $(echo "$line" | field total)" >>"$work/peers"
    done
  done
  kib=$(($(wc -c <"$file") / 1024))
  for tool in vorlane libxml2 pugixml; do
    l=$(awk -v t=$tool '$2 == t { print $3 }' "$work/peers" | median)
    s=$(awk -v t=$tool '$2 == t { print $4 }' "$work/peers" | median)
    t=$(awk -v t=$tool '$2 == t { print $5 }' "$work/peers" | median)
    echo "   $doc $how ($kib KiB) $tool: load $l ms, save $s ms, total $t ms"
  done
  echo "   $doc $how: Vorlane / pugixml $(ratio pugixml), Vorlane / libxml2 $(ratio libxml2) (median of the rounds' ratios)"
  machine_load "after $doc $how"
done

# 3. Growth from 20 MB to 200 MB.
out="${shm:-$work}"
echo "3. growth from 20 to 200 MB: VorlaneCmd <command> -o:<new folder on $( [ -n "$shm" ] && echo tmpfs || echo disk)>, wall time"
machine_load before
for cmd in -n -r -f -x -d -uwp -v:1.2.3.4; do
  : >"$work/g20t"; : >"$work/g200t"
  for ((i = 0; i < rounds; i++)); do
    for doc in g20 g200; do
      # Wall time to the microsecond: GNU time's %e has 10 ms steps, a tenth of a 20 MB run.
      t0=$EPOCHREALTIME
      "$build/VorlaneCmd" $cmd "-o:$out/grow" "$work/$doc.dproj" </dev/null >/dev/null 2>&1 || true
      t1=$EPOCHREALTIME
      awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }' >>"$work/${doc}t"
      rm -rf "$out/grow"
    done
  done
  a=$(median <"$work/g20t"); b=$(median <"$work/g200t")
  echo "   $cmd: $a s / $b s = $(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", b / a }')x"
done
: >"$work/n20"; : >"$work/n200"
for ((i = 0; i < rounds; i++)); do
  "$build/bench/dproj_throughput" normalize "$work/g20.dproj" 1 | sed -n 's/.*normalize \([0-9.]*\) ms.*/\1/p' >>"$work/n20"
  "$build/bench/dproj_throughput" normalize "$work/g200.dproj" 1 | sed -n 's/.*normalize \([0-9.]*\) ms.*/\1/p' >>"$work/n200"
done
a=$(median <"$work/n20"); b=$(median <"$work/n200")
echo "   normalizer alone (in memory): $a ms / $b ms = $(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", b / a }')x"
machine_load after

# 4. Peak resident memory, once each.
echo "4. peak RSS in KiB (file size in KiB; times the file)"
machine_load before
for doc in g2 g20 g200 corpus; do
  file="$work/$doc.dproj"
  [ "$doc" = corpus ] && file="$work/corpus.xml"
  [ -f "$file" ] || continue
  kib=$(($(wc -c <"$file") / 1024))
  line="   $doc ($kib):"
  for tool in VorlaneCmd-n vorlane libxml2 pugixml; do
    case $tool in
      VorlaneCmd-n) rss=$(timed "$build/VorlaneCmd" -n "-o:$out/peak" "$file" | awk '{ print $4 }'); rm -rf "$out/peak" ;;
      vorlane) rss=$(timed "$build/bench/dproj_throughput" loadsave "$file" 1 | awk '{ print $4 }') ;;
      libxml2) rss=$(timed "$build/libxml2_loadsave" "$file" 1 | awk '{ print $4 }') ;;
      pugixml) rss=$(timed "$build/pugixml_loadsave" "$file" 1 | awk '{ print $4 }') ;;
    esac
    line="$line $tool $rss ($(awk -v r="$rss" -v k="$kib" 'BEGIN { printf "%.1f", r / k }')x)"
  done
  echo "$line"
done
machine_load after
