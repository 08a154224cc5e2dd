#!/bin/sh
# The benchmark in one command: builds a Release copy in build-bench, makes the
# test trees under $TMPDIR (or /tmp), times the product next to find, fdfind,
# du, cp, zip, 7zz and bsdtar, and writes bench/README.md's results and plot.
# Options go to run.py (--quick, --seed N, --no-cold, --build-dir DIR; --help).
exec python3 "$(dirname "$0")/run.py" "$@"
