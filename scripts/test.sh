#!/usr/bin/env bash
# Installs what is missing, builds Wimbly with its tests and runs every test: the normal build,
# the same suite under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer, and a
# fixed time of fuzzing the leaderboard loader. Any sanitizer report fails the run.
# The build folders can be moved with WIMBLY_BUILD, WIMBLY_BUILD_ASAN and WIMBLY_BUILD_FUZZ;
# WIMBLY_FUZZ_SECONDS sets the time of fuzzing in memory, WIMBLY_FUZZ_DISK_SECONDS the time
# through the real file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --test

build=${WIMBLY_BUILD:-build}
build_asan=${WIMBLY_BUILD_ASAN:-build-asan}
build_fuzz=${WIMBLY_BUILD_FUZZ:-build-fuzz}
fuzz_seconds=${WIMBLY_FUZZ_SECONDS:-120}
fuzz_disk_seconds=${WIMBLY_FUZZ_DISK_SECONDS:-15}

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
# Prints libFuzzer's output and then "fuzz<what>: N runs in S s" from its final statistics.
fuzz() {
    local what=$1 seconds=$2 log=$3
    shift 3
    "$@" -max_total_time="$seconds" -timeout=5 -print_final_stats=1 \
        -artifact_prefix="$build_fuzz/" "$build_fuzz/corpus" tests/fuzz/corpus 2>&1 | tee "$log"
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz$what: ${runs:-0} runs in $seconds s"
}
# Load, rank and merge on memory. New inputs go to the first folder; the crafted seeds in the
# source tree stay as they are.
fuzz "" "$fuzz_seconds" "$build_fuzz/fuzz.log" "$build_fuzz/fuzz_leaderboard"
# The same inputs through the real file: every input the run above kept, then new ones for the
# rest of the time. Each saves, so the scratch folder is kept in memory where that is possible.
scratch_root=/dev/shm
[[ -d $scratch_root && -w $scratch_root ]] || scratch_root=${TMPDIR:-/tmp}
scratch=$(mktemp -d -p "$scratch_root")
trap 'rm -rf "$scratch"' EXIT
TMPDIR=$scratch fuzz " on disk" "$fuzz_disk_seconds" "$build_fuzz/fuzz-disk.log" \
    "$build_fuzz/fuzz_leaderboard_disk"

# One closing line for both test runs (a failing run has already stopped the script).
total=0
for log in "$build/ctest.log" "$build_asan/ctest.log"; do
    count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
    total=$((total + ${count:-0}))
done
echo "ctest: $total passed, 0 failed"
