#!/usr/bin/env bash
# Installs the dependencies, builds Nimbora (release) and runs its demo: a demo station in
# ./nimbora-demo, never in the user's own documents folder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBORA_TESTS=OFF -DNIMBORA_BENCH=OFF
cmake --build "$build" --target nimbora-cli

"$build/src/nimbora-cli" demo --folder "$PWD/nimbora-demo"
echo
echo "The program: $PWD/$build/src/nimbora-cli"
