#!/usr/bin/env bash
# Installs what is needed (clang with its sanitizer runtimes), builds
# everything with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer in a build folder of its own (build-sanitize/) and runs every
# test under them. A memory error, undefined behaviour or a leak fails the
# test it happens in.
#
# Leaks inside system libraries (SANE's own test device and the like) are
# suppressed by tests/sanitizers/lsan.supp; nothing of ours may be listed
# there. Tests with the embedded web view (QtWebEngine) run too: the
# sanitizers watch this process, while Chromium's own helper processes run
# as they are. EXCLUDE=<regex> leaves tests out.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang
BUILD_DIR=${BUILD_DIR:-build-sanitize}
JOBS=${JOBS:-$(nproc)}
EXCLUDE=${EXCLUDE:-}

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMERITH_SANITIZE=ON -DLUMERITH_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j"$JOBS"

supp="$PWD/tests/sanitizers/lsan.supp"
cd "$BUILD_DIR"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 QT_QUICK_BACKEND=software
# Qt and the other system libraries have no frame pointers: allocations are
# unwound the slow way, so that a leak inside them shows the frames its
# suppression names.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:check_initialization_order=1:fast_unwind_on_malloc=0:malloc_context_size=16}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ -n "$EXCLUDE" ]; then
  ctest --output-on-failure -j"$JOBS" -E "$EXCLUDE"
else
  ctest --output-on-failure -j"$JOBS"
fi
