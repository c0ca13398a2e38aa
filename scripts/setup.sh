#!/usr/bin/env bash
# Installs whatever of the Debian packages is missing, then the npm packages.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t wanted < <(grep -v '^\s*#' scripts/packages.txt | grep -v '^\s*$')
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
