#!/usr/bin/env bash
# Installs what Nimbora needs to build, test and run, on Debian 12.
# Idempotent: asks apt only for packages that are not installed yet.
# Must run as root (or through sudo when it is there).
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  libsqlite3-dev libcurl4-openssl-dev
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  python3 python3-pyftpdlib
  time
  fonts-dejavu-core xvfb xauth
  clang-format
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
