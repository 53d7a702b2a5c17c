#!/usr/bin/env bash
# Installs the Debian packages that building and testing shiori need, when
# they are missing. Usage: setup-deps.sh SET...  where each SET names a list
# scripts/packages/SET.txt (one package a line; "# needs: contrib" in a list
# enables Debian's contrib section first).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

want=""
contrib=0
for set in "$@"; do
  list="$here/packages/$set.txt"
  [ -f "$list" ] || continue
  grep -q '^# needs: contrib' "$list" && contrib=1
  want="$want $(grep -v '^#' "$list" | tr '\n' ' ')"
done

missing=""
for p in $want; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO="sudo"
else
  echo "shiori needs these Debian packages:$missing" >&2
  [ "$contrib" = 1 ] && echo "(some are in Debian's contrib section: enable it in /etc/apt/sources.list.d/ first)" >&2
  echo "Install them with: sudo apt-get install -y$missing" >&2
  exit 1
fi

if [ "$contrib" = 1 ]; then
  # Some voices live in contrib: add it to the Debian sources when it is not there.
  for f in /etc/apt/sources.list.d/debian.sources; do
    if [ -f "$f" ] && ! grep -q '^Components:.*contrib' "$f"; then
      $SUDO sed -i 's/^Components: main$/Components: main contrib/' "$f"
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb .* main$' /etc/apt/sources.list; then
    $SUDO sed -i 's/^\(deb .* main\)$/\1 contrib/' /etc/apt/sources.list
  fi
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=300 update -qq
# shellcheck disable=SC2086
$SUDO apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends $missing >/dev/null
