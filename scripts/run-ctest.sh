#!/usr/bin/env bash
# Runs ctest in a build directory, then says how many tests were skipped for
# want of the real-text corpus and how to run them (the tests name the folder
# they looked for in their skip reason: tests/support/corpus.cpp).
# Usage: run-ctest.sh BUILD_DIR [CTEST_ARGS...]
set -euo pipefail
build="${1:?usage: run-ctest.sh BUILD_DIR [CTEST_ARGS...]}"
shift

status=0
(cd "$build" && ctest "$@") || status=$?

log="$build/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit "$status"
reason="needs the real-text corpus, not found at"
skipped=$(grep -F -- "$reason" "$log" | grep -c -v -F "CI is set" || true)
failed=$(grep -F -- "$reason" "$log" | grep -c -F "CI is set" || true)
where=$(sed -n "s/.*$reason \\(.*\\) (put it at .*/\\1/p" "$log" | head -n 1)
if [ "$skipped" -gt 0 ]; then
  echo "$skipped tests skipped: they read the real-text corpus, which is not at $where."
  echo "To run them, put the corpus at ../shared/corpus beside the checkout, or give its folder:"
  echo "  SHIORI_CORPUS_DIR=/path/to/corpus make test"
fi
if [ "$failed" -gt 0 ]; then
  echo "$failed tests failed: they read the real-text corpus, which is not at $where, and CI is set." >&2
fi
exit "$status"
