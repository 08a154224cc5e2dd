#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [[ -f package-lock.json ]]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
ctest --test-dir build --output-on-failure -j2
