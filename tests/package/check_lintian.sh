#!/bin/sh
# Lintian finds no error in the package (warnings are shown, not failed).
# Usage: check_lintian.sh PACKAGE_FOLDER VERSION
set -eu
deb="$1/velmorin-sync_$2_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no package at $deb" >&2; exit 1; }
if ! command -v lintian >/dev/null 2>&1; then
  echo "lintian is not installed: skipping" >&2
  exit 77
fi
# --fail-on error: the exit status is lintian's verdict on E: tags alone.
exec lintian --fail-on error --no-tag-display-limit --display-info "$deb"
