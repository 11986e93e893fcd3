#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line at the top of every source file that lacks it, in the file's comment
# style, or with --check only lists those files and fails when there is one (the spdx_headers
# test). Source files: C++ (.cpp .h .h.in), CMake (CMakeLists.txt, .cmake), shell (.sh .bash,
# and files starting with a shell shebang in scripts/), Python (.py), man pages (.1), systemd
# units (.service) and the help pages (.html). Test data (tests/data) is not source.
#
#   scripts/spdx-headers.sh           add the line where it is missing
#   scripts/spdx-headers.sh --check   list the files without it; exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."

readonly id='SPDX-License-Identifier: GPL-3.0-or-later'
check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) echo "spdx-headers: unknown option $1 (known: --check)" >&2; exit 2 ;;
esac

# The licence line for a file, or nothing when it is no source file.
line_for() {
  case "$1" in
    tests/data/*) ;;
    *.cpp | *.h | *.h.in) echo "// $id" ;;
    */CMakeLists.txt | CMakeLists.txt | *.cmake | *.sh | *.bash | *.py | *.service) echo "# $id" ;;
    *.1) echo ".\\\" $id" ;;
    *.html) echo "<!-- $id -->" ;;
    scripts/*)
      if head -n 1 "$1" | grep -q '^#!.*sh'; then echo "# $id"; fi ;;
  esac
}

# Tracked files and new ones not ignored; outside git, every file below the top folder.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files --cached --others --exclude-standard; }
else
  list() { find . -path ./build -prune -o -type f -print | sed 's|^\./||'; }
fi

missing=0
while IFS= read -r file; do
  [[ -f "$file" ]] || continue
  line=$(line_for "$file")
  [[ -n "$line" ]] || continue
  # Within the first lines: after a shebang, a doctype or an encoding line.
  head -n 3 "$file" | grep -qF "$id" && continue
  missing=$((missing + 1))
  if ((check)); then
    echo "$file: no '$id' line (scripts/spdx-headers.sh adds it)"
    continue
  fi
  tmp=$(mktemp)
  first=$(head -n 1 "$file")
  if [[ "$first" == '#!'* || "$first" == '<!DOCTYPE'* ]]; then
    { printf '%s\n%s\n' "$first" "$line"; tail -n +2 "$file"; } >"$tmp"
  else
    { printf '%s\n' "$line"; cat "$file"; } >"$tmp"
  fi
  chmod --reference="$file" "$tmp"
  mv "$tmp" "$file"
  echo "spdx-headers: $file"
done < <(list)

if ((check && missing > 0)); then
  echo "spdx-headers: $missing file(s) without the licence line" >&2
  exit 1
fi
