#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds the benchmarks in Release and runs them: the import's
# throughput (bench_import), then its peak memory importing 1, 12 and 120 synthetic months.
# Each case runs five times, the runs of all cases shuffled together: another build on the
# machine shifts single runs by a fifth. Arguments go to bench_import after these defaults and
# override them, e.g. --benchmark_filter=/real/ or --benchmark_repetitions=1.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --test

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBORA_TESTS=OFF
cmake --build "$build" --target bench_import bench_import_peak

echo "== SQLite $(pkg-config --modversion sqlite3), $(nproc) cores," \
  "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
out=$build/bench_import.json
"$build/bench/bench_import" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@"

# The median shows the typical run; the best of the runs is the cost without the other work
# on the machine, which only ever adds time.
echo "== Records/s and ratios (targets: import >= 4x text and >= 0.7x bare; re-import >= 3x text)"
python3 - "$out" <<'PY'
import json, statistics, sys
runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") == "iteration" and "items_per_second" in b:
        kind, case, data = b["run_name"].split("/")[:3]
        runs.setdefault((kind, case, data), []).append(b["items_per_second"])
for key, rates in sorted(runs.items()):
    print(f"{'/'.join(key):32} median {statistics.median(rates) / 1e3:7.1f}k"
          f"  best {max(rates) / 1e3:7.1f}k  ({len(rates)} runs)")
for data in sorted({d for _, _, d in runs}):
    def ratio(kind, case, base, pick):
        a, b = runs.get((kind, case, data)), runs.get((kind, base, data))
        return f"{pick(a) / pick(b):.2f}" if a and b else "n/a"
    for label, pick in (("median", statistics.median), ("best", max)):
        print(f"{data} ({label}): import {ratio('Import', 'LoadDb', 'TextStatements', pick)}x text,"
              f" {ratio('Import', 'LoadDb', 'PreparedLoop', pick)}x bare;"
              f" re-import {ratio('Reimport', 'LoadDb', 'TextStatements', pick)}x text")
PY

echo "== Peak memory of load_db (maximum resident set size)"
wlk=$(mktemp -d)
trap 'rm -rf "$wlk"' EXIT
"$build/bench/bench_import_peak" write "$wlk" 120
for months in 1 12 120; do
  /usr/bin/time -v "$build/bench/bench_import_peak" import "$wlk" "$months" 2>"$wlk/time.txt"
  kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$wlk/time.txt")
  echo "$months file(s): $kb KiB"
done
