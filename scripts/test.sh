#!/usr/bin/env bash
# Installs what is missing, builds Wimbly with its tests and runs every test: the normal build,
# the same suite under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer, and a
# fixed time of fuzzing the leaderboard loader. Any sanitizer report fails the run.
# The build folders can be moved with WIMBLY_BUILD, WIMBLY_BUILD_ASAN and WIMBLY_BUILD_FUZZ;
# WIMBLY_FUZZ_SECONDS sets the fuzzing time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test

build=${WIMBLY_BUILD:-build}
build_asan=${WIMBLY_BUILD_ASAN:-build-asan}
build_fuzz=${WIMBLY_BUILD_FUZZ:-build-fuzz}
fuzz_seconds=${WIMBLY_FUZZ_SECONDS:-120}

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
if [[ -n "$files" ]]; then
    # shellcheck disable=SC2086
    clang-format --dry-run --Werror $files
fi

echo "== build and test"
# Warnings are errors here whatever an earlier configure of the same folder chose.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
    -DWIMBLY_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300 | tee "$build/ctest.log"

echo "== build and test with sanitizers"
# Every report ends the program with a failing status (the build also sets
# -fno-sanitize-recover); the sanitizer_reports_* tests check that this holds.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
cmake -S . -B "$build_asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
    -DWIMBLY_SANITIZE=ON -DWIMBLY_WERROR=ON >/dev/null
cmake --build "$build_asan" -j "$jobs"
ctest --test-dir "$build_asan" --output-on-failure -j "$jobs" --timeout 600 |
    tee "$build_asan/ctest.log"

echo "== fuzz the leaderboard loader"
cmake -S tests/fuzz -B "$build_fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build_fuzz" -j "$jobs"
mkdir -p "$build_fuzz/corpus"
# New inputs go to the first folder; the crafted seeds in the source tree stay as they are. The
# loader saves on every run, so its scratch folder is kept in memory where that is possible.
scratch_root=/dev/shm
[[ -d $scratch_root && -w $scratch_root ]] || scratch_root=${TMPDIR:-/tmp}
scratch=$(mktemp -d -p "$scratch_root")
trap 'rm -rf "$scratch"' EXIT
TMPDIR=$scratch "$build_fuzz/fuzz_leaderboard" -max_total_time="$fuzz_seconds" -timeout=5 \
    -print_final_stats=1 -artifact_prefix="$build_fuzz/" "$build_fuzz/corpus" tests/fuzz/corpus

# One closing line for both test runs (a failing run has already stopped the script).
total=0
for log in "$build/ctest.log" "$build_asan/ctest.log"; do
    count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
    total=$((total + ${count:-0}))
done
echo "ctest: $total passed, 0 failed"
