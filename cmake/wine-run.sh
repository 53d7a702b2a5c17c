#!/bin/sh
# Runs a Windows test program under wine for ctest. The program's output goes
# through a file, not straight to ctest's pipe: wine starts helpers on demand
# (the desktop process, for one) that would inherit the pipe and keep ctest
# waiting long after the test has ended.
out="$(mktemp "${TMPDIR:-/tmp}/shiori-wine.XXXXXX")" || exit 125
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
