#!/usr/bin/env bash
# Installs whatever is missing of the Debian packages for the player and for
# the purposes named (sections of scripts/packages.txt: test, package, bench,
# fuzz), then the npm packages.
#   scripts/setup.sh [PURPOSE...]
set -euo pipefail
cd "$(dirname "$0")/.."
for purpose in "$@"; do
  grep -q "^\[$purpose\]" scripts/packages.txt || { echo "setup.sh: no section [$purpose]" >&2; exit 2; }
done
mapfile -t wanted < <(awk -v want=" run $* " '
  /^\[/ { split($1, s, /[][]/); on = index(want, " " s[2] " ") > 0; next }
  /^[ \t]*(#|$)/ || /^[ \t]/ { next }
  on { print $1 }' scripts/packages.txt | sort -u)
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm may come from elsewhere; Debian's only where none is found.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
if [ -f package-lock.json ] && { [ ! -d node_modules ] || [ package-lock.json -nt node_modules ]; }; then
  npm ci --no-audit --no-fund
fi
