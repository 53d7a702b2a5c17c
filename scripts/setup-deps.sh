#!/usr/bin/env bash
# Installs the Debian packages that building and testing shiori need, when
# they are missing. Usage: setup-deps.sh [base|test|windows|media]...
set -euo pipefail

pkgs_base="cmake g++ make pkg-config zlib1g-dev libpng-dev"
pkgs_test="libgtest-dev libgmock-dev tmux"
pkgs_windows="g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 dpkg-dev"
pkgs_media=""

want=""
for set in "${@:-base}"; do
  v="pkgs_${set}"
  want="$want ${!v}"
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
  echo "Install them with: sudo apt-get install -y$missing" >&2
  exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
