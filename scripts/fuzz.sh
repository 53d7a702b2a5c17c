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

scripts/setup-deps.sh base fuzz

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
mkdir -p "$seed_filter" "$seed_zip" "$seed_pos" "$seed_keys"
for t in "${texts[@]}"; do
  base="$(basename "$t" .txt)"
  # The first 12 KB in slices of whole lines, and one slice from the middle.
  head -c 12288 "$t" | split -C 3072 - "$seed_filter/$base-head-"
  size=$(stat -c %s "$t")
  # (head stops reading early: tail's broken pipe is expected.)
  { tail -c +$((size / 2)) "$t" || true; } | head -c 3072 > "$seed_filter/$base-middle"
done
# Small archives of the texts in every form the extraction knows.
"$build/make_zip_seeds" "$seed_zip" 4096 "${texts[@]}"
for z in "$corpus"/*.zip; do
  # The start of a real distribution archive (cut: the fuzzer's length limit).
  if [ -f "$z" ]; then head -c 32768 "$z" > "$seed_zip/$(basename "$z" .zip)-start.zip"; fi
done
printf 'morgue.txt\n0\ngreat_velmor_the.txt\n1234\nreadme.txt\n0\n' > "$seed_pos/default"
printf 'morgue.txt\r\n0\r\ngreat_velmor_the.txt\r\n44\r\n' > "$seed_pos/windows"
printf 'C:\\books\\great_velmor_the.txt\r\n  -66 \r\nnodot\n99999999999\n' > "$seed_pos/odd"
i=0
for k in '\033[A' '\033[5~' '\033OP' '\033[[A' '\033[1;5A' '\033[5$' 'nq-' \
         '\343\201\202' '\033\033[B' '\033[24~x' '\033[<0;1;2M'; do
  i=$((i + 1))
  printf "$k" > "$seed_keys/seed$i"
done
for d in "$seed_filter" "$seed_zip" "$seed_pos" "$seed_keys"; do
  find "$d" -type f -empty -delete
done

# --- runs ------------------------------------------------------------------
max_len() {
  case "$1" in
    zip_decode_fuzz) echo 32768 ;;
    filter_wrap_fuzz) echo 8192 ;;
    positions_fuzz) echo 4096 ;;
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
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  log="$artifacts/$t.log"
  echo "== $t: $seconds s"
  status=0
  "$bin" "$dir" "${dict[@]}" -max_total_time="$seconds" -max_len="$(max_len "$t")" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
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
