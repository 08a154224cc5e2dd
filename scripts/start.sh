#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velmorin Sync (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/velmorin-sync "$@"
