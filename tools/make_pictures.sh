#!/bin/sh
# Re-makes data/fig00000_01.png, data/fig00000_02.png and data/shiori.ico.
# Needs g++, libpng-dev, libfreetype-dev and fonts-dejavu-core (Debian).
#   tools/make_pictures.sh [OUTDIR]      (default: the data/ folder of this tree)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -Wall -Wextra -o "$work/make_pictures" "$here/make_pictures.cpp" \
  $(pkg-config --cflags --libs freetype2 libpng)
"$work/make_pictures" "$out"
