#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz/, clang with libFuzzer, ASan and UBSan)
# in a build folder of their own and runs each for a fixed time.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#
# Targets are the names after "fuzz_" (httpserver, dropbox, ...); without
# names every target runs. New inputs that reach new code are kept in
# build-fuzz/fuzz-corpus/<target>/ (the committed seeds in
# tests/fuzz/corpus/<target>/ are only read); a finding is written to
# build-fuzz/fuzz-findings/<target>/ and the script ends with an error.
# Rerun a finding with: build-fuzz/bin/fuzz_<target> <file>
# (LUMERITH_FUZZ_VERBOSE=1 shows the program's log lines).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD_DIR=${BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-2}

./scripts/install-deps.sh clang
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMERITH_FUZZ=ON -DLUMERITH_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j"$JOBS" --target fuzz_targets

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name#fuzz_}")
  done
fi

asan_options=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1}
# Targets whose answers go through Qt's JSON parser: their allocations are
# unwound the slow way (about three times slower), so that a leak inside Qt
# shows the Qt frame its suppression names (tests/sanitizers/lsan.supp).
# A new target that parses JSON answers joins this list.
json_targets=" dropbox google graph "
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  corpus="$BUILD_DIR/fuzz-corpus/$target"
  findings="$BUILD_DIR/fuzz-findings/$target"
  mkdir -p "$corpus" "$findings"
  options=(-max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=4096 -max_len=32768
           -print_final_stats=1 -artifact_prefix="$findings/")
  if [ -f "tests/fuzz/dict/$target.dict" ]; then
    options+=(-dict="tests/fuzz/dict/$target.dict")
  fi
  export ASAN_OPTIONS=$asan_options
  if [[ $json_targets == *" $target "* ]]; then
    export ASAN_OPTIONS=$asan_options:fast_unwind_on_malloc=0
  fi
  echo "== fuzz_$target for ${SECONDS_EACH}s"
  if "$BUILD_DIR/bin/fuzz_$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target"; then
    echo "== fuzz_$target: nothing found"
  else
    echo "== fuzz_$target: FINDING in $findings/"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings: ${failed[*]}"
  exit 1
fi
echo "Every target ran ${SECONDS_EACH}s without a finding."
