#!/usr/bin/env bash
# Builds a static libpng for the Windows program from Debian's own source
# package, with the MinGW-w64 compiler. Nothing is installed on the system:
# apt's state for the source download is kept under OUTDIR.
# Usage: build-libpng-mingw.sh OUTDIR
# Result: OUTDIR/include/{png.h,pngconf.h,pnglibconf.h} and OUTDIR/lib/libpng.a
set -euo pipefail

out="${1:?usage: build-libpng-mingw.sh OUTDIR}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
if [ -f "$out/lib/libpng.a" ] && [ -f "$out/include/png.h" ]; then
  exit 0
fi

cc="${MINGW_CC:-x86_64-w64-mingw32-gcc-posix}"
ar="${MINGW_AR:-x86_64-w64-mingw32-ar}"
command -v "$cc" >/dev/null || { echo "build-libpng-mingw: $cc not found" >&2; exit 1; }

# A private apt state that knows the deb-src lines of the system's first
# Debian source entry.
apt="$out/apt"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/etc" "$out/src"
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  awk 'BEGIN{RS=""} NR==1' /etc/apt/sources.list.d/debian.sources |
    sed 's/^Types: deb$/Types: deb-src/' >"$apt/etc/src.sources"
else
  grep -m1 '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$apt/etc/src.list"
fi
opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/etc"
      -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1")
# As root, apt would hand the download to its sandbox user, who cannot write here.
[ "$(id -u)" = 0 ] && opts+=(-o "APT::Sandbox::User=root")

src="$(ls -d "$out"/src/libpng1.6-*/ 2>/dev/null | head -n1 || true)"
if [ -z "$src" ]; then
  apt-get "${opts[@]}" -qq update
  (cd "$out/src" && apt-get "${opts[@]}" -qq source libpng1.6 >/dev/null)
  src="$(ls -d "$out"/src/libpng1.6-*/ | head -n1)"
fi
src="${src%/}"

obj="$out/obj"
mkdir -p "$obj" "$out/include" "$out/lib"
cp "$src/scripts/pnglibconf.h.prebuilt" "$out/include/pnglibconf.h"
cp "$src/png.h" "$src/pngconf.h" "$out/include/"
objects=()
for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset \
         pngtrans pngwio pngwrite pngwtran pngwutil; do
  "$cc" -O2 -I"$out/include" -c "$src/$f.c" -o "$obj/$f.o" &
  objects+=("$obj/$f.o")
  # Two compilers at a time.
  if [ $(( ${#objects[@]} % 2 )) = 0 ]; then wait; fi
done
wait
rm -f "$out/lib/libpng.a"
"$ar" rcs "$out/lib/libpng.a" "${objects[@]}"
echo "libpng for MinGW in $out"
