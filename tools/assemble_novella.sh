#!/bin/sh
# Assembles 「グレイト・ヴェルモア」 from its chapter files into the form the
# reader carries: code page 932, CR LF line ends, the last line without one.
#
#   tools/assemble_novella.sh SRCDIR [OUT]
#
# SRCDIR holds ch01.txt ... ch10.txt and colophon.txt in UTF-8 (one paragraph
# a line). Each chapter opens with its heading and, except the last, ends
# with ［＃改ページ］. OUT defaults to data/great_velmor_the.txt of this tree.
# Needs iconv (any character that code page 932 cannot hold stops the run).
set -eu
if [ $# -lt 1 ]; then
  echo "usage: $0 SRCDIR [OUT]" >&2
  exit 2
fi
src=$1
here=$(cd "$(dirname "$0")" && pwd)
out=${2:-$here/../data/great_velmor_the.txt}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for f in ch01 ch02 ch03 ch04 ch05 ch06 ch07 ch08 ch09 ch10 colophon; do
  if [ ! -s "$src/$f.txt" ]; then
    echo "$0: $src/$f.txt is missing" >&2
    exit 1
  fi
done

# Source files in UTF-8 without CRs, each ending with exactly one line feed.
norm() {
  tr -d '\r' <"$1" | sed -e '$a\'
}

utf8=$work/novella.utf8.txt
{
  cat <<'EOF'
グレイト・ヴェルモア
アーサー・ヴェイン作
栞　訳

-------------------------------------------------------
【テキスト中に現れる記号について】

《》：ルビ
（例）燕尾服《えんびふく》

｜：ルビの付く文字列の始まりを特定する記号
（例）黒｜天鵞絨《ビロード》

［＃］：入力者注　主に外字の説明や、傍点の位置の指定
　　　（数字は、JIS X 0213の面区点番号）
（例）※［＃「木＋夜」、第3水準1-85-76］
-------------------------------------------------------

EOF
  n=0
  for i in 01 02 03 04 05 06 07 08 09 10; do
    n=$((n + 1))
    norm "$src/ch$i.txt" >"$work/ch$i.txt"
    last=$(tail -n 1 "$work/ch$i.txt")
    if [ "$i" != 10 ] && [ "$last" != "［＃改ページ］" ]; then
      echo "$0: ch$i.txt does not end with ［＃改ページ］" >&2
      exit 1
    fi
    cat "$work/ch$i.txt"
  done
  # the colophon after a blank line; trailing blank lines dropped
  echo
  norm "$src/colophon.txt" | sed -e ':a' -e '/^\n*$/{$d;N;ba' -e '}'
} >"$utf8"

# CP932, every line CR LF, then the last line's CR LF taken off.
iconv -f UTF-8 -t CP932 "$utf8" | sed 's/$/\r/' >"$work/crlf.txt"
size=$(wc -c <"$work/crlf.txt")
head -c $((size - 2)) "$work/crlf.txt" >"$out"
echo "$out: $(wc -c <"$out") bytes"
