#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the dependencies, builds both programs (release) and runs the demo: a demo station
# in ./nimbora-demo, never in the user's own documents folder. Ends with the commands that open
# the demo station in the desktop program and on the command line.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBORA_TESTS=OFF -DNIMBORA_BENCH=OFF
cmake --build "$build" --target nimbora-cli nimbora

"$build/src/nimbora-cli" demo --folder "$PWD/nimbora-demo"
home="$PWD/nimbora-demo/Nimbora"
echo
echo "The desktop program on the demo station:"
printf '  %q --home %q --station Demo\n' "$PWD/$build/src/app/nimbora" "$home"
echo "The command line on it:"
printf '  %q --home %q --station Demo info\n' "$PWD/$build/src/nimbora-cli" "$home"
