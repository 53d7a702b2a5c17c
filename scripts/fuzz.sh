#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (SHIORI_FUZZ: coverage,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each one for SECONDS
# seconds (default 30), seeded with small slices of the shared corpus and of
# the embedded works. Fails when any target finds a crash, a leak, a timeout
# or runs out of memory; the input that did it is kept under
# BUILD/artifacts/ and the target's log beside it.
# Usage: scripts/fuzz.sh [SECONDS]   (BUILD=dir, JOBS=n, TARGETS="a b" to override)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
seconds="${1:-30}"
build="${BUILD:-build-fuzz}"
jobs="${JOBS:-2}"
case "$seconds" in ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;; esac

# The program links every media back-end: the same packages as the build.
scripts/setup-deps.sh base fuzz speech music image cues

CC=clang CXX=clang++ cmake -S . -B "$build" -DSHIORI_FUZZ=ON -DSHIORI_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$jobs" --target fuzz_targets

# The shared corpus sits beside the checkout (one level further up from a worktree).
corpus="${SHIORI_CORPUS_DIR:-}"
if [ -z "$corpus" ]; then
  for c in "$root/../shared/corpus" "$root/../../shared/corpus"; do
    if [ -d "$c" ]; then corpus="$(cd "$c" && pwd)"; break; fi
  done
fi
texts=()
if [ -n "$corpus" ]; then
  for t in "$corpus"/*.txt; do
    case "$t" in */README*) ;; *) texts+=("$t") ;; esac
  done
else
  echo "fuzz: no shared corpus found; seeding from data/ only" >&2
fi
texts+=("$root"/data/*.txt)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
artifacts="$root/$build/artifacts"
mkdir -p "$artifacts"

# --- seeds -----------------------------------------------------------------
seed_filter="$work/filter_wrap_fuzz"
seed_zip="$work/zip_decode_fuzz"
seed_pos="$work/positions_fuzz"
seed_keys="$work/key_decoder_fuzz"
seed_playlist="$work/playlist_fuzz"
seed_png="$work/png_fuzz"
seed_text="$work/work_text_fuzz"
mkdir -p "$seed_filter" "$seed_zip" "$seed_pos" "$seed_keys" "$seed_playlist" "$seed_png" \
  "$seed_text"
for t in "${texts[@]}"; do
  base="$(basename "$t" .txt)"
  # The first 12 KB in slices of whole lines, and one slice from the middle.
  head -c 12288 "$t" | split -C 3072 - "$seed_filter/$base-head-"
  size=$(stat -c %s "$t")
  # (head stops reading early: tail's broken pipe is expected.)
  { tail -c +$((size / 2)) "$t" || true; } | head -c 3072 > "$seed_filter/$base-middle"
done
# Small archives of the texts in every form the extraction knows.
"$build/make_seeds" zip "$seed_zip" 4096 "${texts[@]}"
# Pictures: every colour type and depth, and the embedded illustrations.
"$build/make_seeds" png "$seed_png"
cp "$root"/data/*.png "$seed_png"/
# Texts from disk: slices as they are, and as a UTF-8 or EUC-JP copy would
# hold them.
for f in "$seed_filter"/*-head-aa; do
  cp "$f" "$seed_text/"
  iconv -c -f CP932 -t UTF-8 "$f" > "$seed_text/$(basename "$f")-utf8" || true
  iconv -c -f CP932 -t EUC-JP "$f" > "$seed_text/$(basename "$f")-eucjp" || true
done
for z in "$corpus"/*.zip; do
  # The start of a real distribution archive (cut: the fuzzer's length limit).
  if [ -f "$z" ]; then head -c 32768 "$z" > "$seed_zip/$(basename "$z" .zip)-start.zip"; fi
done
printf 'morgue.txt\n0\ngreat_velmor_the.txt\n1234\nreadme.txt\n0\n' > "$seed_pos/default"
printf 'morgue.txt\r\n0\r\ngreat_velmor_the.txt\r\n44\r\n' > "$seed_pos/windows"
printf 'C:\\books\\great_velmor_the.txt\r\n  -66 \r\nnodot\n99999999999\n' > "$seed_pos/odd"
printf '3\n"/home/reader/music/a.mp3"\n"/tmp/b c.mid"\n' > "$seed_playlist/posix"
printf '2\r\n"C:\\\\music\\\\\x95\x5c.wav"\r\n/unquoted name.wma\r\n' > "$seed_playlist/windows"
printf '0\n' > "$seed_playlist/empty"
i=0
for k in '\033[A' '\033[5~' '\033OP' '\033[[A' '\033[1;5A' '\033[5$' 'nq-' \
         '\343\201\202' '\033\033[B' '\033[24~x' '\033[<0;1;2M'; do
  i=$((i + 1))
  printf "$k" > "$seed_keys/seed$i"
done
for d in "$work"/*_fuzz; do
  find "$d" -type f -empty -delete
done

# --- runs ------------------------------------------------------------------
max_len() {
  case "$1" in
    zip_decode_fuzz|png_fuzz) echo 32768 ;;
    filter_wrap_fuzz|work_text_fuzz) echo 8192 ;;
    positions_fuzz|playlist_fuzz) echo 4096 ;;
    *) echo 1024 ;;
  esac
}

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
targets="${TARGETS:-$(cd "$root/fuzz" && ls -- *_fuzz.cpp | sed 's/\.cpp$//')}"
summary=""
failed=0
for t in $targets; do
  bin="$build/$t"
  [ -x "$bin" ] || { echo "fuzz: $t was not built" >&2; failed=1; continue; }
  dir="$work/$t"
  mkdir -p "$dir"
  extra=()
  [ -f "fuzz/$t.dict" ] && extra+=(-dict="fuzz/$t.dict")
  # libpng reports every damaged picture on standard error: close it (the
  # sanitizers' reports and libFuzzer's own output still arrive).
  [ "$t" = png_fuzz ] && extra+=(-close_fd_mask=2)
  # A picture may decode to 256 MB of rows and as much again of bitmap; with
  # the sanitizer's quarantine of freed memory on top, the picture target's
  # resident memory passes 2 GB now and then without anything being held.
  rss=2048
  [ "$t" = png_fuzz ] && rss=4096
  log="$artifacts/$t.log"
  echo "== $t: $seconds s"
  status=0
  "$bin" "$dir" "${extra[@]}" -max_total_time="$seconds" -max_len="$(max_len "$t")" \
    -timeout=10 -rss_limit_mb="$rss" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$t-" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  if [ "$status" = 0 ]; then
    result="ok"
  else
    failed=1
    what=$(grep -m1 -o 'ERROR: [A-Za-z]*: [a-z -]*\|ERROR: libFuzzer: [a-z -]*\|runtime error: .*\|check failed: .*' "$log" || true)
    art=$(grep -o "$artifacts/$t-[a-z]*-[0-9a-f]*" "$log" | tail -1 || true)
    result="FAILED ${what:-exit $status} ${art:+($art)}"
    tail -n 40 "$log"
  fi
  summary+=$(printf '%-20s %12s  %s' "$t" "${runs:-?}" "$result")$'\n'
done

echo
printf '%-20s %12s  %s\n' target runs result
printf '%s' "$summary"
exit "$failed"
