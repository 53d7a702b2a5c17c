#!/usr/bin/env bash
# Builds the Windows program and its tests, runs every test under wine with
# ctest, then the smoke test of the real shiori.exe.
# Usage: test-windows.sh [BUILD_DIR]   (default: build-win)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-win}"

"$root/scripts/build-windows.sh" "$build" all
"$root/scripts/setup-deps.sh" windows-test
build="$(cd "$build" && pwd)"

# shellcheck source=../tests/wine_env.sh
. "$root/tests/wine_env.sh"
trap wine_env_teardown EXIT
wine_env_setup "$build/wine"

(cd "$build" && ctest --timeout 120 -j "${JOBS:-2}" --output-on-failure)
SHIORI_WINE_READY=1 "$root/tests/wine_smoke.sh" "$build/shiori.exe"
