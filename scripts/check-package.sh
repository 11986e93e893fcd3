#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (scripts/package.sh, a Release build), checks it with lintian
# (no error allowed), extracts it into a temporary root and runs the extracted programs
# from there: what a user gets after `apt install ./nimbora_*.deb`.
#
#   scripts/check-package.sh [BUILD_DIR]    default build/release
#
# Exits 77 (skipped) without dpkg-deb or lintian (scripts/install-deps.sh --test has them).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in dpkg-deb dpkg-shlibdeps lintian man; do
  if ! command -v "$tool" >/dev/null; then
    echo "check-package: $tool is missing; skipped (scripts/install-deps.sh --test)"
    exit 77
  fi
done

deb=$(scripts/package.sh "${1:-build/release}" | tail -n 1)
echo "package: $deb"

fail() { echo "check-package: $*" >&2; exit 1; }

# Lintian: errors fail, warnings are listed.
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
[[ -n "$lintian_out" ]] && echo "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then fail "lintian reports errors"; fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

# The control fields Debian users look at.
fields=$(dpkg-deb -f "$deb" Package Version Architecture Depends Section Priority Maintainer Homepage Description)
for f in Package Version Architecture Depends Section Priority Maintainer Homepage Description; do
  grep -q "^$f: ." <<<"$fields" || fail "control field $f is missing"
done
grep -q '^Depends: .*libqt6widgets6' <<<"$fields" || fail "Depends does not name the Qt libraries"
grep -q '^Depends: .*libcurl' <<<"$fields" || fail "Depends does not name libcurl"

# Every file in place, nothing under /usr/local.
for f in usr/bin/nimbora usr/bin/nimbora-cli \
         usr/share/man/man1/nimbora.1.gz usr/share/man/man1/nimbora-cli.1.gz \
         usr/share/bash-completion/completions/nimbora-cli \
         usr/share/applications/nimbora.desktop \
         usr/share/icons/hicolor/16x16/apps/nimbora.png \
         usr/share/icons/hicolor/48x48/apps/nimbora.png \
         usr/share/icons/hicolor/256x256/apps/nimbora.png \
         usr/lib/systemd/user/nimbora@.service \
         usr/share/doc/nimbora/copyright usr/share/doc/nimbora/changelog.gz \
         usr/share/doc/nimbora/html/index.html usr/share/doc-base/nimbora-manual; do
  [[ -f "$root/$f" ]] || fail "the package lacks /$f"
done
[[ ! -e "$root/usr/local" ]] || fail "the package installs under /usr/local"
grep -q '^ExecStart=/usr/bin/nimbora-cli --station "%I" run$' "$root/usr/lib/systemd/user/nimbora@.service" ||
  fail "the user unit does not run /usr/bin/nimbora-cli --station \"%I\" run"
grep -q '^ExecReload=/bin/kill -HUP \$MAINPID$' "$root/usr/lib/systemd/user/nimbora@.service" ||
  fail "the user unit has no ExecReload"

# The man pages read without a warning.
for page in nimbora nimbora-cli; do
  warnings=$(man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "man $page: $warnings"
done

# The extracted programs run from the temporary root.
version=$("$root/usr/bin/nimbora-cli" --version)
grep -q "^nimbora-cli $(dpkg-deb -f "$deb" Version)\$" <<<"$(head -n 1 <<<"$version")" ||
  fail "nimbora-cli --version says: $version"
grep -q 'GPL-3.0-or-later' <<<"$version" || fail "nimbora-cli --version names no licence"
"$root/usr/bin/nimbora" --version | head -n 1 | grep -q '^nimbora ' || fail "nimbora --version failed"
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config"
mkdir -p "$HOME"
"$root/usr/bin/nimbora-cli" demo --folder "$root/demo" >"$root/demo.txt" ||
  fail "demo failed: $(cat "$root/demo.txt")"
[[ -f "$root/demo/Nimbora/Demo/Global.txt" ]] || fail "the demo wrote no global report"
"$root/usr/bin/nimbora-cli" --home "$root/demo/Nimbora" --station Demo info >/dev/null ||
  fail "info on the demo station failed"
echo "check-package: $(basename "$deb") is fine"
