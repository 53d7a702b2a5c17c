#!/usr/bin/env bash
# Instruction counts (callgrind, repeatable on a busy machine) of the full
# pass and of each interactive step of the program on one text:
#   pass     the benchmark's pass alone (shiori_bench --pass, FullPass only)
#   resume   start-up at the last page, less start-up at the first page
#   lists    the first reading list at the last page (r, a key), which takes
#            the readings the pages before it have left
#   back     one page back at the last page
#   search   s and a word that does not occur, from the first page, then back
#            to the first page (the return costs a page)
#   half     a jump to 50% from the first page (g)
#   end      a jump to the end from the first page (g, $)
#   bsearch  b and a word that does not occur, from the last page: the
#            whole text looked through backward
#   fitted   the pass laid out in the fitted view at 80 x 24 instead
#   fback    then a page back at its last page (the same size: the page index)
#   fresize  then a resize there to 100 x 30: the pages counted and indexed
#            at the new size, and the page holding the top line laid out
#   fcount   of which the pages of the whole text at 100 x 30 alone
# Keys come from a file, so the program's output goes to a file, not to a
# terminal (no colours).
# Usage: bench/callgrind_steps.sh BUILD_DIR [TEXT]
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$root/../shared/corpus
[ -d "$corpus" ] || corpus=$root/../../shared/corpus  # a git worktree one level deeper
text=$(realpath "${2:-$corpus/50685_ruby_67979.txt}")
work=$(mktemp -d /tmp/shiori_callgrind_XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Instructions of the reading loop (start-up and exit left out) in one run of
# the program with the keys $1 and, when given, the saved position $2.
count() {
  rm -f 001036_info.ini mmsys.ini cg.out
  [ -n "${2:-}" ] && printf '%s.txt\n%s\n' "$(basename "${text%.*}")" "$2" > 001036_info.ini
  printf '%b' "$1" > keys
  valgrind --tool=callgrind --callgrind-out-file=cg.out --toggle-collect='*Reader::ReadingLoop*' \
    "$build/shiori" "$text" < keys > out.txt 2> /dev/null
  callgrind_annotate cg.out | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
}

valgrind --tool=callgrind --callgrind-out-file=cg.pass \
  --toggle-collect='*FullPass*' "$build/shiori_bench" --pass "$text" > /dev/null 2>&1
pass=$(callgrind_annotate cg.pass | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
# The fitted view's pass and its re-layouts at the end (shiori_bench).
fitted_count() {
  valgrind --tool=callgrind --callgrind-out-file=cg.fit --toggle-collect="$1" \
    "$build/shiori_bench" "$2" "$text" > /dev/null 2>&1
  callgrind_annotate cg.fit | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
}
fitted=$(fitted_count '*FittedPass*' --fitted-pass)
fback=$(fitted_count '*FittedRelayout*' --fitted-back)
fresize=$(fitted_count '*FittedResize*' --fitted-resize)
fcount=$(fitted_count '*FittedPageCount*' --fitted-count)
# The row count where the last full page ends, as the benchmark finds it.
rows=$(valgrind --tool=none "$build/shiori_bench" --rows "$text" 2> /dev/null)

first=$(count 'q')
last=$(count 'q' "$rows")
back=$(count '-q' "$rows")
lists=$(count 'rxq' "$rows")
search=$(count 'szqzqxj\nxq')
half=$(count 'g50%\nq')
end=$(count 'g$\nq')
bsearch=$(count 'bzqzqxj\nq' "$rows")

awk -v pass="$pass" -v first="$first" -v last="$last" -v back="$back" -v search="$search" \
    -v lists="$lists" -v half="$half" -v end="$end" -v bsearch="$bsearch" \
    -v fitted="$fitted" -v fback="$fback" -v fresize="$fresize" -v fcount="$fcount" '
  function line(name, n) { printf "%-8s %14d  %5.2f passes\n", name, n, n / pass }
  BEGIN {
    printf "%-8s %14d\n", "pass", pass
    line("resume", last - first)
    line("lists", lists - last)
    line("back", back - last)
    line("search", search - first)
    line("half", half - first)
    line("end", end - first)
    line("bsearch", bsearch - last)
    line("fitted", fitted)
    line("fback", fback)
    line("fresize", fresize)
    line("fcount", fcount)
  }'
