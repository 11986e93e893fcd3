#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares the report files two nimbora-cli builds write from the same station databases:
# every report kind, on the ten-year and one-year synthetic databases, the real month (when
# ../shared/fixtures/2012-02.wlk is there), hand-made edge cases and the demo station, with
# the unit and column sets of the golden files (and, on the small sets, every column alone).
#
#   scripts/compare-reports.sh [--quick] [--scratch DIR] OLD [NEW]
#
# OLD and NEW are each a git revision (exported with `git archive` and built in Release under
# the scratch folder, once per commit) or the path of a nimbora-cli binary; NEW defaults to
# the working tree, built as it is. The data sets are imported with OLD. --quick leaves out
# the ten-year database. The scratch folder (default build-compare/ in the repository,
# ignored by git) keeps the builds for the next run.
#
# Prints one line per data set and settings set, then "N of M report files identical".
# Exit status: 0 when every file is identical, 1 when any differs, 2 on a usage or build
# error.
set -euo pipefail

repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
scratch=$repo/build-compare
quick=()
args=()
while (($#)); do
    case $1 in
        --quick) quick=(--quick) ;;
        --scratch) scratch=$2; shift ;;
        -h|--help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "unknown option $1" >&2; exit 2 ;;
        *) args+=("$1") ;;
    esac
    shift
done
if ((${#args[@]} < 1 || ${#args[@]} > 2)); then
    echo "usage: $0 [--quick] [--scratch DIR] OLD [NEW]" >&2
    exit 2
fi
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# configure SOURCE BUILD [cmake options...]: a Release build of the command line only.
configure() {
    local src=$1 build=$2
    shift 2
    if [[ ! -f $build/build.ninja ]]; then
        cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBORA_TESTS=OFF \
            "${launcher[@]}" "$@" >"$build.configure.log" 2>&1 ||
            { cat "$build.configure.log" >&2; echo "cmake failed for $src" >&2; exit 2; }
    fi
}

# build BUILD TARGET...
build() {
    local build=$1
    shift
    cmake --build "$build" -j"$(nproc)" --target "$@" >"$build.build.log" 2>&1 ||
        { tail -30 "$build.build.log" >&2; echo "the build in $build failed" >&2; exit 2; }
}

# The working tree's build: the generator always comes from it (the data must not depend on
# the revisions compared), and NEW when no NEW is given.
worktree_build=$scratch/worktree
build_worktree() {
    if [[ ! -x $worktree_build/bench/make_report_cases || ${1:-} == cli ]]; then
        echo "building the working tree in $worktree_build" >&2
        mkdir -p "$worktree_build"
        configure "$repo" "$worktree_build" -DNIMBORA_BENCH=ON
        build "$worktree_build" make_report_cases ${1:+nimbora-cli}
    fi
}

# binary SPEC: prints the nimbora-cli path for a binary path, a revision or "" (the tree).
binary() {
    local spec=$1
    if [[ -z $spec ]]; then
        build_worktree cli
        echo "$worktree_build/src/nimbora-cli"
    elif [[ -f $spec && -x $spec ]]; then
        (cd "$(dirname "$spec")" && echo "$PWD/$(basename "$spec")")
    else
        local commit
        commit=$(git -C "$repo" rev-parse --verify --quiet "$spec^{commit}") ||
            { echo "neither a binary nor a revision: $spec" >&2; exit 2; }
        local dir=$scratch/rev-$commit
        if [[ ! -f $dir/src/CMakeLists.txt ]]; then
            rm -rf "$dir/src"
            mkdir -p "$dir/src"
            git -C "$repo" archive "$commit" | tar -x -C "$dir/src"
        fi
        echo "building $spec ($commit) in $dir/build" >&2
        mkdir -p "$dir/build"
        # The same relative paths in every revision's build, so ccache shares them.
        CCACHE_BASEDIR=$scratch configure "$dir/src" "$dir/build" -DNIMBORA_BENCH=OFF
        CCACHE_BASEDIR=$scratch build "$dir/build" nimbora-cli
        echo "$dir/build/src/nimbora-cli"
    fi
}

old=$(binary "${args[0]}")
new=$(binary "${args[1]:-}")
build_worktree
echo "OLD: $old" >&2
echo "NEW: $new" >&2

exec /usr/bin/python3 "$repo/scripts/compare_reports.py" --old "$old" --new "$new" \
    --generator "$worktree_build/bench/make_report_cases" --scratch "$scratch" \
    --fixtures "$repo/../shared/fixtures" "${quick[@]}"
