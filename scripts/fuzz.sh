#!/usr/bin/env bash
# Fuzzes the WLK reader for SECONDS (default 60) with libFuzzer, ASan and UBSan: installs the
# dependencies, builds build/fuzz with clang, seeds build/fuzz/corpus with files from our own
# writer (and the real station archive when this machine has it), then runs.
# Exits non-zero when the fuzzer finds a crash, a leak, a timeout or a broken invariant;
# the input that did it is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

scripts/install-deps.sh

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNIMBORA_FUZZ=ON -DNIMBORA_TESTS=OFF -DNIMBORA_BENCH=OFF
cmake --build "$build" --target fuzz_wlk_reader make_wlk_seeds

corpus=$build/corpus
artifacts=$build/artifacts
mkdir -p "$corpus" "$artifacts"
"$build/fuzz/make_wlk_seeds" "$corpus"
# The real archive seeds the build's corpus only: it never goes into the repository.
fixture=../shared/fixtures/2012-02.wlk
if [[ -f "$fixture" ]]; then
  cp "$fixture" "$corpus/real-2012-02.wlk"
else
  echo "fuzz: $fixture is absent; fuzzing from the synthetic seeds only"
fi

# Inputs are capped at 64 KiB (the real file is cut to its first ~740 records): big inputs
# slow every execution and reach no code a short file cannot.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/fuzz/fuzz_wlk_reader" "$corpus" \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/"
