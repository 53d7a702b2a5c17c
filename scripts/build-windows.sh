#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64: installs what is missing, builds
# libpng from Debian's source, configures and builds.
# Usage: build-windows.sh [BUILD_DIR [TARGET]]   (default: build-win, shiori)
#        TARGET "all" also builds the tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-win}"
target="${2:-shiori}"

"$root/scripts/setup-deps.sh" base test windows
mkdir -p "$build"
build="$(cd "$build" && pwd)"
"$root/scripts/build-libpng-mingw.sh" "$build/libpng"
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DPNG_LIBRARY="$build/libpng/lib/libpng.a" \
  -DPNG_PNG_INCLUDE_DIR="$build/libpng/include" \
  -DSHIORI_WERROR="${SHIORI_WERROR:-OFF}" >/dev/null
if [ "$target" = all ]; then
  cmake --build "$build" -j "${JOBS:-2}"
else
  cmake --build "$build" -j "${JOBS:-2}" --target "$target"
fi
echo "Built $build/shiori.exe"
