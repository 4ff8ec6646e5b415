#!/usr/bin/env bash
# Installs what is missing, builds Wimbly with its tests and runs every test: the normal build,
# the same suite under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer, and a
# fixed time of fuzzing the leaderboard file code. Any sanitizer report fails the run.
#
# Two lines of work share the cores: the two builds, each followed by its tests, and the fuzzers.
# The builds run at a lower priority, so that the tests and the fuzzers come first and the builds
# take up the time they leave: the normal tests wait on X servers, sound servers and the package
# tools much of the time, and a fuzzer keeps only one core busy. The
# sanitizer tests start once the normal tests are done, never beside them. Each step prints its
# output whole when it ends, headed by its name and time. Where ccache is installed the compilers
# run through it, so that a run reuses what any earlier run compiled, in any clone.
#
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

launcher=
if command -v ccache >/dev/null; then
    launcher=ccache
    # Paths inside this clone are hashed relative to it, and the build folder's own path not at
    # all, so that a clone in another folder (as CI makes) hits what this one compiled. Only
    # the debugger's note of the folder a file was compiled in can then name the other clone.
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
    # The files the build generates just before compiling them (moc output, resources) are
    # looked up by their contents too, not only after a preprocessor run: nothing here changes
    # a header while the compiler reads it.
    export CCACHE_SLOPPINESS=include_file_mtime,include_file_ctime
fi
# The resource compiler writes each file's time into its output. The pictures and cues are made
# anew in every build folder, so a fixed time (as in package builds) keeps that output, and the
# object compiled from it, the same from one build and clone to the next.
export QT_RCC_SOURCE_DATE_OVERRIDE=1700000000

# Warnings are errors here whatever an earlier configure of the same folder chose.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
    -DWIMBLY_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake -S . -B "$build_asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
    -DWIMBLY_SANITIZE=ON -DWIMBLY_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake -S tests/fuzz -B "$build_fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
mkdir -p "$build_fuzz/corpus"

# Every report ends the program with a failing status (the build also sets
# -fno-sanitize-recover); the sanitizer_reports_* tests check that this holds. The sanitizer
# tests and the fuzzers run with these settings.
sanitizer_env=(ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
               UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1
               "LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0")

# The fuzzer through the real file saves with every input: its scratch folder is kept in memory
# where that is possible.
scratch_root=/dev/shm
[[ -d $scratch_root && -w $scratch_root ]] || scratch_root=${TMPDIR:-/tmp}
scratch=$(mktemp -d -p "$scratch_root")
lanes=()
cleanup() {
    local pid
    for pid in "${lanes[@]}"; do
        kill -- "-$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Prints its arguments' lines, one caller at a time, so that steps running together do not mix
# their lines.
say() {
    {
        flock 9
        printf '%s\n' "$@"
    } 9>"$scratch/print.lock"
}

# step TITLE LOG COMMAND...: runs the command with its output in LOG, then prints LOG whole under
# its title.
step() {
    local title=$1 log=$2 start=$SECONDS status=0
    shift 2
    "$@" >"$log" 2>&1 || status=$?
    local result="$title: $((SECONDS - start)) s"
    [[ $status -eq 0 ]] || result="$title failed after $((SECONDS - start)) s"
    say "== $result" "$(cat "$log")"
    return "$status"
}

builds_and_tests() {
    step "build" "$build/build.log" nice -n 5 cmake --build "$build" -j "$jobs"
    step "test" "$build/ctest.log" \
        ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300 &
    local tests=$!
    # The build runs the programs it made, as the tests do, so under the same settings.
    step "build with sanitizers" "$build_asan/build.log" env "${sanitizer_env[@]}" \
        nice -n 5 cmake --build "$build_asan" -j "$jobs"
    wait "$tests"
    step "test with sanitizers" "$build_asan/ctest.log" env "${sanitizer_env[@]}" \
        ctest --test-dir "$build_asan" --output-on-failure -j "$jobs" --timeout 600
}

# fuzz NAME SECONDS PROGRAM: fuzzes for SECONDS on the kept inputs and the crafted seeds, then
# says "NAME: N runs in SECONDS s". New inputs go to the first folder; the seeds in the source
# tree stay as they are.
fuzz() {
    local name=$1 seconds=$2 program=$3
    local log="$build_fuzz/${name// /-}.log"
    step "$name" "$log" env "${sanitizer_env[@]}" TMPDIR="$scratch" "$program" \
        -max_total_time="$seconds" -timeout=5 -print_final_stats=1 \
        -artifact_prefix="$build_fuzz/" "$build_fuzz/corpus" tests/fuzz/corpus
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    say "$name: ${runs:-0} runs in $seconds s"
}

fuzzers() {
    step "build the fuzzers" "$build_fuzz/build.log" cmake --build "$build_fuzz" -j "$jobs"
    # Load, rank and merge on memory.
    fuzz "fuzz" "$fuzz_seconds" "$build_fuzz/fuzz_leaderboard"
    # The same steps through the real file: every input the run above kept, then new ones for
    # the rest of the time.
    fuzz "fuzz on disk" "$fuzz_disk_seconds" "$build_fuzz/fuzz_leaderboard_disk"
}

# Each line of work in a process group of its own, so that a failure in one ends the other.
set -m
builds_and_tests </dev/null &
lanes+=($!)
fuzzers </dev/null &
lanes+=($!)
set +m
running=("${lanes[@]}")
while ((${#running[@]})); do
    wait -n -p ended "${running[@]}"
    for i in "${!running[@]}"; do
        [[ ${running[i]} != "$ended" ]] || unset 'running[i]'
    done
done
lanes=()

# One closing line for both test runs (a failing run has already stopped the script).
total=0
for log in "$build/ctest.log" "$build_asan/ctest.log"; do
    count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
    total=$((total + ${count:-0}))
done
echo "ctest: $total passed, 0 failed"
