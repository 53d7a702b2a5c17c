#!/usr/bin/env bash
# Smoke test of the real Windows program under wine.
#  1. Pipes, Japanese locale: the start-up menu, the loading notice and a
#     page's status line arrive as the exact code page 932 bytes, with CR LF
#     and without any escape sequence.
#  2. A tmux pane running `wine shiori.exe 0`: keys page forward (an arrow key
#     is one key), `h` shows the help, the status line is coloured (ANSI in the
#     pane), `p` then `1` opens the illustration window on the display and a
#     screenshot shows the picture's pixels, `m` opens the file dialog and the
#     file typed there plays while keys still page, `q` quits with status 0,
#     "001036_info.ini" holds the position and "mmsys.ini" the track.
#  3. Ctrl-C in a second pane saves the position and ends as Ctrl-C does.
#  A work file named by a Windows path is read too (with the shared corpus).
# Usage: wine_smoke.sh SHIORI_EXE
# Run by scripts/test-windows.sh, which prepares wine (SHIORI_WINE_READY=1);
# run alone, it prepares wine itself.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
exe="$(cd "$(dirname "${1:?usage: wine_smoke.sh SHIORI_EXE}")" && pwd)/$(basename "$1")"
[ -f "$exe" ] || { echo "wine_smoke: no $exe" >&2; exit 1; }

for f in great_velmor_the.txt readme.txt fig00000_02.png; do
  [ -f "$root/data/$f" ] || { echo "wine_smoke: data/$f is missing" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/shiori-smoke.XXXXXX")"
tmux_socket="shiori-smoke-$$"
cleanup() {
  tmux -L "$tmux_socket" kill-server >/dev/null 2>&1 || true
  if [ -z "${SHIORI_WINE_READY:-}" ]; then wine_env_teardown; fi
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${SHIORI_WINE_READY:-}" ]; then
  # shellcheck source=wine_env.sh
  . "$here/wine_env.sh"
  wine_env_setup "$(dirname "$exe")/wine"
fi

failures=0
pass() { echo "ok   $*"; }
fail() {
  echo "FAIL $*" >&2
  failures=$((failures + 1))
}
# UTF-8 text as the program writes it: code page 932.
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

title0="グレイト・ヴェルモア"
title1="このプログラムについて"

# --- 1. Pipes --------------------------------------------------------------
mkdir -p "$work/pipes"
(cd "$work/pipes" && printf '1\n' | timeout 120 wine "$exe" 2>/dev/null | cat >"$work/pipes.out") ||
  fail "pipes: shiori.exe did not end by itself"

{
  sjis "(00) $title0 , (01) $title1"
  printf '\r\nselect number\r\n'
  sjis "読み込み中・・・"
  printf '\r                \r'
} >"$work/pipes.want"
if cmp -s <(head -c "$(stat -c %s "$work/pipes.want")" "$work/pipes.out") "$work/pipes.want"; then
  pass "pipes: menu, prompt and loading notice are the exact bytes"
else
  fail "pipes: the start of the output differs:"
  head -c 200 "$work/pipes.out" | od -c | head -8 >&2
fi

status_want="$(sjis "[ $title1 --- page 1 --- P% ] ](q)end (n)next")"$'\r'
status_got="$(LC_ALL=C grep -a -m1 -- '--- page 1 ---' "$work/pipes.out" |
  LC_ALL=C sed -E 's/--- page 1 --- [0-9]+\.[0-9]{6}% \]/--- page 1 --- P% ]/')" || true
if [ "$status_got" = "$status_want" ]; then
  pass "pipes: the status line is the exact bytes, ending in CR LF"
else
  fail "pipes: status line $(printf '%s' "$status_got" | od -c | head -3)"
fi

quit_line="$(LC_ALL=C grep -a -F -- "$(sjis "[ $title1 ] 途中まで、表示しました。")" "$work/pipes.out" || true)"
if [ -n "$quit_line" ] && printf '%s' "$quit_line" | LC_ALL=C grep -a -q -E "[0-9]+$(sjis "行")"$'\r''$'; then
  pass "pipes: no console keys, so the reader quits after the first page"
else
  fail "pipes: no quit notice"
fi
if LC_ALL=C grep -a -q $'\x1b' "$work/pipes.out"; then
  fail "pipes: an escape sequence reached a pipe"
else
  pass "pipes: no escape sequence (colours are dropped)"
fi

# A work file named on the command line with a Windows path.
corpus="${SHIORI_CORPUS_DIR:-}"
for c in "$root/../shared/corpus" "$root/../../shared/corpus"; do
  [ -z "$corpus" ] && [ -f "$c/56656_ruby_74439.zip" ] && corpus="$(cd "$c" && pwd)"
done
if [ -n "$corpus" ]; then
  mkdir -p "$work/zip"
  winpath="Z:$(printf '%s' "$corpus/56656_ruby_74439.zip" | tr / '\\')"
  (cd "$work/zip" && timeout 120 wine "$exe" "$winpath" </dev/null 2>/dev/null | cat >"$work/zip.out") ||
    fail "zip: shiori.exe did not end by itself"
  if LC_ALL=C grep -a -q -F -- "$(sjis "[ 罪と罰 --- page 1 ---")" "$work/zip.out" &&
     cmp -s "$work/zip/001036_info.ini" \
       <(printf 'morgue.txt\r\n0\r\n56656_ruby_74439.txt\r\n22\r\n'); then
    pass "zip: a downloaded archive named by a Windows path opens, and its position is kept"
  else
    fail "zip: the corpus archive did not open as a work"
  fi
elif [ -n "${CI:-}" ] && [ "${CI}" != false ] && [ "${CI}" != 0 ]; then
  fail "zip: no shared corpus found (../shared/corpus or SHIORI_CORPUS_DIR), and CI needs it"
else
  echo "skip zip: no shared corpus found (../shared/corpus or SHIORI_CORPUS_DIR); the work-file check is left out"
fi

# --- 2. A terminal pane ----------------------------------------------------
mkdir -p "$work/pane"
pane() { tmux -L "$tmux_socket" "$@"; }
screen() { pane capture-pane -p -J -S -1000 -t smoke; }
# Waits until the pane's history holds |2| lines matching |1| (default 1).
wait_for() {
  local pattern="$1" count="${2:-1}" i
  for i in $(seq 1 300); do
    [ "$(screen | grep -c -F -- "$pattern" || true)" -ge "$count" ] && return 0
    sleep 0.2
  done
  return 1
}
# The shell around wine only keeps the exit status, which tmux does not
# always report for a pane.
pane -f /dev/null new-session -d -s smoke -x 100 -y 40 \
  "cd '$work/pane' && wine '$exe' 0; echo \$? >'$work/pane.status'"
pane set-option -t smoke remain-on-exit on >/dev/null

if wait_for "--- page 1 ---"; then
  pass "pane: the first page of work 0"
else
  fail "pane: no first page"
  screen | tail -5 >&2
fi
status_line="$(pane capture-pane -p -e -t smoke | grep -F -- "--- page 1 ---" || true)"
if [[ "$status_line" == *$'\e[97m'*$'\e[104m'*"[ $title0"* ]] ||
   [[ "$status_line" == *$'\e[97;104m'*"[ $title0"* ]]; then
  pass "pane: the status line is bright white on bright blue"
else
  fail "pane: status line colours: $(printf '%s' "$status_line" | cat -v | head -c 120)"
fi

pane send-keys -t smoke n
wait_for "--- page 2 ---" && pass "pane: n shows page 2" || fail "pane: n did not page"
pane send-keys -t smoke Space
wait_for "--- page 3 ---" && pass "pane: space shows page 3" || fail "pane: space did not page"
pane send-keys -t smoke Down
if wait_for "--- page 4 ---"; then
  sleep 1
  if [ "$(screen | grep -c -F -- '--- page 5 ---' || true)" = 0 ]; then
    pass "pane: an arrow key is one key press"
  else
    fail "pane: an arrow key acted as two keys"
  fi
else
  fail "pane: the arrow key did not page"
fi

pane send-keys -t smoke h
if wait_for "touch anykey , return page" && wait_for "q:end" &&
   wait_for "f:research(continue search same word)"; then
  pass "pane: h shows the help"
else
  fail "pane: no help screen"
fi
pane send-keys -t smoke x
wait_for "--- page 4 ---" 2 && pass "pane: a key returns from the help to the same page" ||
  fail "pane: the page did not come back after the help"

# The illustration list, the second picture, its window on the display.
pane send-keys -t smoke p
if wait_for "png_num:2"; then
  pane send-keys -t smoke 1 Enter
  win=""
  for i in $(seq 1 150); do
    win="$(xdotool search --onlyvisible --name '^fig00000_02$' 2>/dev/null | head -n1 || true)"
    [ -n "$win" ] && break
    sleep 0.2
  done
  if [ -z "$win" ]; then
    fail "window: p then 1 opened no window named fig00000_02"
  else
    sleep 1.5  # let it paint
    import -window root "$work/shot.png"
    eval "$(xdotool getwindowgeometry --shell "$win")"
    # Both pictures as text pixels; find where the picture sits in the
    # window (frame and caption come first) and compare a grid of points.
    convert "$work/shot.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 txt:- \
      >"$work/shot.txt"
    convert "$root/data/fig00000_02.png" -depth 8 txt:- >"$work/pic.txt"
    verdict="$(awk -v tol=4 '
      function rgb(line, out,   s) {
        s = line; sub(/^[^(]*\(/, "", s); sub(/\).*/, "", s)
        split(s, out, ","); return 1
      }
      FNR == 1 { file++ }
      /^#/ { next }
      {
        split($1, xy, /[,:]/); rgb($0, c)
        key = xy[1] "," xy[2]
        if (file == 1) { pr[key] = c[1]; pg[key] = c[2]; pb[key] = c[3] }
        else { sr[key] = c[1]; sg[key] = c[2]; sb[key] = c[3] }
      }
      function near(a, b) { return (a - b <= tol && b - a <= tol) }
      function matches(dx, dy, x, y,   k, p) {
        k = (x + dx) "," (y + dy); p = x "," y
        return (k in sr) && near(sr[k], pr[p]) && near(sg[k], pg[p]) && near(sb[k], pb[p])
      }
      END {
        # Points of the left 160 columns (the frame may hide a few on the right).
        n = 0
        for (y = 0; y < 252; y += 12) for (x = 0; x < 160; x += 8) { px[n] = x; py[n] = y; n++ }
        best = -1
        for (dy = 0; dy <= 60; dy++) for (dx = 0; dx <= 20; dx++) {
          if (!matches(dx, dy, 0, 0) || !matches(dx, dy, 80, 126)) continue
          good = 0
          for (i = 0; i < n; i++) if (matches(dx, dy, px[i], py[i])) good++
          if (good > best) { best = good; bx = dx; by = dy }
        }
        printf "%d %d %d %d\n", best, n, bx, by
      }' "$work/pic.txt" "$work/shot.txt")"
    read -r good total ox oy <<<"$verdict"
    if [ "$good" = "$total" ]; then
      pass "window: the screenshot shows the picture's pixels ($total points, at +$ox+$oy in the window)"
    else
      fail "window: only $good of $total points of the picture on screen"
    fi
    # The display sees the client area: the 190 x 292 window less its frame
    # and caption, enough for the 180 x 252 picture.
    if [ "$WIDTH" -ge 180 ] && [ "$WIDTH" -le 190 ] && [ "$HEIGHT" -ge 252 ] &&
       [ "$HEIGHT" -le 292 ]; then
      pass "window: sized to the picture (client area ${WIDTH} x ${HEIGHT})"
    else
      fail "window: client area ${WIDTH} x ${HEIGHT} for a 180 x 252 picture"
    fi
    xdotool key --window "$win" alt+F4 2>/dev/null
    if wait_for "touch anykey , return page" 2; then
      pass "window: closing it returns to the reader"
      pane send-keys -t smoke x
      wait_for "--- page 4 ---" 3 || fail "window: the page did not come back"
    else
      fail "window: the reader did not go on after the window was closed"
    fi
  fi
else
  fail "pane: p showed no image list"
fi

# Speech: t redraws the page in the speaking colour and speaks it; wine's
# voice does not speak, and the reader must go on at once all the same.
pane send-keys -t smoke t
green=""
for i in $(seq 1 150); do
  if pane capture-pane -p -e -t smoke | grep -q $'\e\\[92m'; then green=1; break; fi
  sleep 0.2
done
if [ -n "$green" ]; then
  pass "speech: t redraws the page in place in bright green"
  # Switched off, the page is printed again below; wine's voice does not
  # speak, and the reader must go on all the same.
  pane send-keys -t smoke t
  wait_for "--- page 4 ---" 4 && pass "speech: a second t prints the page again" ||
    fail "speech: the second t did not show the page again"
else
  fail "speech: no row in the speaking colour after t"
fi

# Music: the first m opens the file dialog at once (empty playlist); the
# chosen file plays (silently: no sound device) and keys still page.
printf 'RIFF\x64\x1f\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00'\
'\x40\x1f\x00\x00\x01\x00\x08\x00data\x40\x1f\x00\x00' >"$work/pane/a b.wav"
head -c 8000 /dev/zero | tr '\0' '\200' >>"$work/pane/a b.wav"
wav_win="Z:$(printf '%s' "$work/pane/a b.wav" | tr / '\\')"
pane send-keys -t smoke m
dialog=""
for i in $(seq 1 150); do
  dialog="$(xdotool search --onlyvisible --name '音楽ファイルを選択します。' 2>/dev/null | head -n1 || true)"
  [ -n "$dialog" ] && break
  sleep 0.2
done
if [ -z "$dialog" ]; then
  fail "music: m opened no file dialog titled 音楽ファイルを選択します。"
else
  pass "music: m on an empty playlist opens the file dialog"
  sleep 1
  xdotool windowfocus "$dialog" 2>/dev/null || true
  xdotool type --delay 30 "$wav_win" 2>/dev/null
  xdotool key Return 2>/dev/null
  if wait_for "--- page 4 ---" 5; then
    pane send-keys -t smoke n
    wait_for "--- page 5 ---" && pass "music: with a track playing, n still pages" ||
      fail "music: no page after n while music plays"
  else
    fail "music: the page did not come back after the dialog"
  fi
fi

pane send-keys -t smoke q
for i in $(seq 1 150); do
  [ -s "$work/pane.status" ] && break
  sleep 0.2
done
if [ "$(cat "$work/pane.status" 2>/dev/null)" = 0 ]; then
  pass "pane: q ends the program with status 0"
else
  fail "pane: after q the program's status is '$(cat "$work/pane.status" 2>/dev/null)'"
fi
rows="$(screen | sed -n "s/.*\[ $title0 \] 途中まで、表示しました。\([0-9]*\)行.*/\1/p" | tail -n1)"
ini_want="$(printf 'morgue.txt\r\n0\r\ngreat_velmor_the.txt\r\n%s\r\n' "${rows:-?}")"
if [ -n "$rows" ] && [ "$(cat "$work/pane/001036_info.ini" 2>/dev/null)" = "$ini_want" ]; then
  pass "pane: 001036_info.ini holds the position, $rows rows, with CR LF"
else
  fail "pane: 001036_info.ini is $(od -c "$work/pane/001036_info.ini" 2>/dev/null | head -3)"
fi

mm_want="$(printf '1\r\n"%s"\r\n' "$(printf '%s' "$wav_win" | sed 's/\\/\\\\/g')")"
if [ "$(cat "$work/pane/mmsys.ini" 2>/dev/null)" = "$mm_want" ]; then
  pass "music: mmsys.ini holds the track, quoted, backslashes doubled, CR LF"
else
  fail "music: mmsys.ini is $(od -c "$work/pane/mmsys.ini" 2>/dev/null | head -4)"
fi

# Ctrl-C on the second page: the position is saved as q saves it, and the
# program ends as a process ended by Ctrl-C does (0xC000013A; the shell keeps
# its low byte, 58).
mkdir -p "$work/ctrlc"
pane new-session -d -s ctrlc -x 100 -y 40 \
  "cd '$work/ctrlc' && wine '$exe' 0; echo \$? >'$work/ctrlc.status'"
pane set-option -t ctrlc remain-on-exit on >/dev/null
ctrlc_screen() { pane capture-pane -p -J -t ctrlc; }
for i in $(seq 1 300); do ctrlc_screen | grep -q -F -- "--- page 1 ---" && break; sleep 0.2; done
pane send-keys -t ctrlc n
for i in $(seq 1 300); do ctrlc_screen | grep -q -F -- "--- page 2 ---" && break; sleep 0.2; done
pane send-keys -t ctrlc C-c
for i in $(seq 1 150); do
  [ -s "$work/ctrlc.status" ] && break
  sleep 0.2
done
if [ "$(cat "$work/ctrlc.status" 2>/dev/null)" = 58 ] &&
   LC_ALL=C grep -a -q -E $'^great_velmor_the.txt\r$' "$work/ctrlc/001036_info.ini" &&
   LC_ALL=C grep -a -A1 -E $'^great_velmor_the.txt\r$' "$work/ctrlc/001036_info.ini" |
     LC_ALL=C grep -a -q -E $'^[1-9][0-9]*\r$'; then
  pass "pane: Ctrl-C saves the position and ends the program as Ctrl-C does"
else
  fail "pane: after Ctrl-C the status is '$(cat "$work/ctrlc.status" 2>/dev/null)' and" \
    "001036_info.ini is $(od -c "$work/ctrlc/001036_info.ini" 2>/dev/null | head -3)"
fi

if [ "$failures" -gt 0 ]; then
  echo "wine smoke test: $failures failed" >&2
  exit 1
fi
echo "wine smoke test: all passed"
