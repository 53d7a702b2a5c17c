#!/usr/bin/env bash
# Builds the Windows program and its tests, checks that the program imports
# only system DLLs, runs every test under wine with ctest, then the smoke test
# of the real shiori.exe.
# Usage: test-windows.sh [BUILD_DIR]   (default: build-win)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-win}"

"$root/scripts/build-windows.sh" "$build" all
"$root/scripts/setup-deps.sh" windows-test
build="$(cd "$build" && pwd)"
# Wine brings its own copies of some DLLs (zlib1.dll among them), so only the
# import table tells whether the program runs on a bare Windows.
"$root/scripts/check-imports.sh" "$build/shiori.exe"

# shellcheck source=../tests/wine_env.sh
. "$root/tests/wine_env.sh"
trap wine_env_teardown EXIT
wine_env_setup "$build/wine"

"$root/scripts/run-ctest.sh" "$build" --timeout 120 -j "${JOBS:-2}" --output-on-failure
SHIORI_WINE_READY=1 "$root/tests/wine_smoke.sh" "$build/shiori.exe"
