#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Nimbora needs on Debian 12: to build and run it, and with --test also what the
# test suite alone needs (the secure-upload tests' FTPS and SFTP servers, checking tools, the
# package's lintian).
# Idempotent: asks apt only for packages that are not installed yet.
# Must run as root (or through sudo when it is there).
#
#   scripts/install-deps.sh          build and run (the demo command)
#   scripts/install-deps.sh --test   also the test-only packages (the test command, CI)
#
# Every package the build and the tests use is named here, even those that come with most
# systems: one that merely happens to be present on a machine would hide its absence in CI.
set -euo pipefail

with_tests=0
for arg in "$@"; do
  case "$arg" in
    --test) with_tests=1 ;;
    *) echo "install-deps: unknown option $arg (known: --test)" >&2; exit 2 ;;
  esac
done

# Building and running Nimbora (the command line and the desktop program), and packing it
# (dpkg-dev: dpkg-shlibdeps computes the package's Depends).
packages=(
  g++ cmake ninja-build make pkg-config
  libsqlite3-dev libcurl4-openssl-dev libssl-dev openssl ca-certificates
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libcli11-dev
  fonts-dejavu-core
  dpkg-dev
)

# Test-only: the test and benchmark libraries, servers the tests start themselves on
# 127.0.0.1, a display for the desktop tests, the fuzzers' compiler, checking tools. Their
# packages may start system services; those are stopped and disabled below, so nothing listens
# but the tests' own servers.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib
  pure-ftpd openssh-server openssh-client
  xvfb xauth time
  clang-format clang libclang-rt-14-dev
  libxml2-utils man-db tidy chromium
  lintian ccache
)
test_services=(pure-ftpd ssh)

wanted=("${packages[@]}")
((with_tests)) && wanted+=("${test_packages[@]}")

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

sudo_cmd=()
if ((${#missing[@]} > 0)) && [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root" >&2; exit 1; }
  sudo_cmd=(sudo)
fi

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#wanted[@]} packages present"
else
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Where systemd runs, the packages' own services are stopped and kept from starting again; in a
# container without it, the package start was refused and nothing runs.
if ((with_tests)) && [[ -d /run/systemd/system ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null && sudo_cmd=(sudo)
  fi
  for s in "${test_services[@]}"; do
    if systemctl list-unit-files "$s.service" >/dev/null 2>&1; then
      "${sudo_cmd[@]}" systemctl disable --now "$s.service" >/dev/null 2>&1 || true
    fi
  done
fi
