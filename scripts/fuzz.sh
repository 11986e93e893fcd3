#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes one reader for SECONDS (default 60) with libFuzzer, ASan and UBSan: installs the
# dependencies, builds build/fuzz with clang, seeds build/fuzz/corpus/TARGET, then runs.
# Without a target, lists the targets. RUNS=N stops after N executions instead (whichever
# comes first). Exits non-zero when the fuzzer finds a crash, a leak, a timeout or a broken
# invariant; the input that did it is left in build/fuzz/artifacts/TARGET/.
#   wlk          the WLK reader, from memory and from a FILE*
#   conf         the text of "nimbrep.conf"
#   dat          the bytes of "nimbrep.dat" and the password's scrambling
#   time         the start time ("Starting at:") and the schedule's reading of it
#   upload_list  the upload list's edits, through the settings and the upload watch
set -euo pipefail
cd "$(dirname "$0")/.."

targets="wlk conf dat time upload_list"
usage() { echo "usage: $0 TARGET [SECONDS]   (RUNS=N to stop after N executions)" >&2; }
if [[ $# -eq 0 ]]; then
  usage
  echo "targets:"
  sed -n 's/^#   \([a-z_]*\) \{2,\}\(.*\)$/  \1\t\2/p' "$0"
  exit 0
fi
target=$1
seconds=${2:-60}
[[ " $targets " == *" $target "* ]] || { echo "fuzz: unknown target '$target' (one of: $targets)" >&2; exit 2; }
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { usage; exit 2; }
runs=${RUNS:--1}
[[ "$runs" =~ ^(-1|[1-9][0-9]*)$ ]] || { usage; exit 2; }

scripts/install-deps.sh --test

build=build/fuzz
exe=fuzz_$target
[[ $target == wlk ]] && exe=fuzz_wlk_reader
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNIMBORA_FUZZ=ON -DNIMBORA_TESTS=OFF -DNIMBORA_BENCH=OFF
cmake --build "$build" --target "$exe" make_wlk_seeds

corpus=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$corpus" "$artifacts"

# Seeds: files as our own writers write them, plus a few damaged ones. Input sizes are capped
# near what the real files hold: big inputs slow every execution and reach no code a short
# file cannot.
seed() { printf "$2" >"$corpus/seed-$1"; }
case $target in
wlk)
  max_len=65536  # the real file is cut to its first ~740 records
  "$build/fuzz/make_wlk_seeds" "$corpus"
  # The real archive seeds the build's corpus only: it never goes into the repository.
  fixture=../shared/fixtures/2012-02.wlk
  if [[ -f "$fixture" ]]; then
    cp "$fixture" "$corpus/real-2012-02.wlk"
  else
    echo "fuzz: $fixture is absent; fuzzing from the synthetic seeds only"
  fi
  ;;
conf)
  max_len=2048  # a full file with ten long paths is ~1.6 KB; byte 0 picks the element count
  seed written '\x13<!-- Output Report Path -->\r\n<path>/st/rep/</path>\r\n\r\n<!-- DB Path -->\r\n<pathDB>/st/db/</pathDB>\r\n\r\n<!-- WLK Path -->\r\n<pathWLK>/st/wlk/</pathWLK>\r\n\r\n<Name>Hill Farm</Name>\r\n<City>Lakeside</City>\r\n<State>North</State>\r\n<Elev>120 m</Elev>\r\n<Lat>45 30 N</Lat>\r\n<Long>9 10 E</Long>\r\n\r\n<File1>/st/rep/May_2008.txt</File1>\r\n<File2></File2>\r\n<File3></File3>\r\n<File4></File4>\r\n<File5></File5>\r\n<File6></File6>\r\n<File7></File7>\r\n<File8></File8>\r\n<File9></File9>\r\n<File10></File10>\r\n<Port>2121</Port>\r\n'
  seed damaged '\x09<path>/a/<b</path>\n<<Name>>x</Name\n<File1>a>b</File1><File2>c</File2>\r\n<Port>0</Port>'
  ;;
dat)
  max_len=512  # 342 bytes; what follows is tried as a Port element
  head -c 342 /dev/zero | tr '\0' '0' >"$corpus/seed-columns"
  printf '111111111111111000000\x01\x00\x01\x02\x01\x00\x00\x00\x01\x00\x00\x00ftp.example.org' \
    >"$corpus/seed-short"
  ;;
time)
  max_len=16  # byte 0 the interval row, bytes 1-2 the time of day, then the text
  seed long '\x02\x0a\x1e08:30'
  seed short '\x05\x17\x3b9.05'
  seed midnight '\x0c\x00\x0024:00'
  seed on-change '\x0d\x01\x01anything'
  ;;
upload_list)
  max_len=1024  # operations: a byte, then its argument up to 0xff
  seed add-ok '\x00/st/rep/May_2008.txt\xff\x00/st/up/index.htm\xff\x03\xff\x01\x00\xff\x03'
  seed set '\x04/st/a.txt\xff\x04\xff\x03\xff\x02\xff\x03'
  ;;
esac

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/fuzz/$exe" "$corpus" \
  -max_total_time="$seconds" -runs="$runs" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/"
