#!/usr/bin/env bash
# Builds shiori and its tests once more with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of their own, runs every
# test, and fails on any failing test or any sanitizer report (including
# reports from child processes, such as the real program run in a
# pseudo-terminal, whose output a test may not look at).
# Usage: scripts/test-sanitize.sh   (BUILD=dir JOBS=n to override)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build="${BUILD:-build-sanitize}"
jobs="${JOBS:-2}"

scripts/setup-deps.sh base test speech music image cues

# Warnings are the normal build's business: with the sanitizers' checks
# inlined, GCC 12 warns falsely (-Wrestrict on std::string assignments).
cmake -S . -B "$build" -DSHIORI_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSHIORI_WERROR=OFF >/dev/null
cmake --build "$build" -j "$jobs"

# Every report is also written to a file here, so that none can pass unseen.
logs="$root/$build/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
# Full stacks for every allocation (system libraries are built without frame
# pointers), so that the one suppression, of memory that libraries allocate
# while they are loaded, can tell their allocations from ours.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:fast_unwind_on_malloc=0:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0:log_path=$logs/lsan"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600 -j "$jobs") || status=$?

reports=$(find "$logs" -type f -size +0c | sort)
if [ -n "$reports" ]; then
  echo "sanitizer reports:" >&2
  for f in $reports; do
    echo "==== $f" >&2
    cat "$f" >&2
  done
  status=1
fi
if [ "$status" = 0 ]; then
  echo "sanitize: every test passed with no AddressSanitizer, LeakSanitizer or UBSan report"
else
  echo "sanitize: FAILED" >&2
fi
exit "$status"
