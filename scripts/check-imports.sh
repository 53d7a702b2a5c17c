#!/usr/bin/env bash
# Checks that a Windows program imports only DLLs every Windows has: a DLL
# outside this list (zlib1.dll, libpng16.dll, libstdc++-6.dll, ...) would
# have to be copied beside the program, and wine, which brings its own copies
# of some, would not show the fault.
# Usage: check-imports.sh PROGRAM.exe [ALLOWED...]
#   ALLOWED (case-insensitive DLL names) replaces the list below.
set -euo pipefail
exe="${1:?usage: check-imports.sh PROGRAM.exe [ALLOWED...]}"
shift
if [ "$#" -gt 0 ]; then
  allowed=("$@")
else
  # What the program uses today: the C runtime, the console, windows and
  # GDI for the illustrations, MCI and sound cues, COM for the voice, the
  # file dialog. A new system DLL is added here on purpose, not by accident.
  allowed=(KERNEL32.dll msvcrt.dll USER32.dll GDI32.dll WINMM.dll ole32.dll comdlg32.dll)
fi
objdump="${MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump}"

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
[ -n "$imports" ] || { echo "check-imports: no import table read from $exe" >&2; exit 1; }
bad=""
for dll in $imports; do
  ok=0
  for a in "${allowed[@]}"; do
    if [ "${dll,,}" = "${a,,}" ]; then ok=1; break; fi
  done
  [ "$ok" = 1 ] || bad="$bad $dll"
done
if [ -n "$bad" ]; then
  echo "check-imports: $(basename "$exe") imports DLLs outside the allowed list:$bad" >&2
  exit 1
fi
echo "check-imports: $(basename "$exe") imports only system DLLs:" $imports
