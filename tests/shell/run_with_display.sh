#!/bin/sh
# Runs a test program on a private X server (1280 x 1024) with its own session
# bus. Exits 77, which CTest reports as skipped, when xvfb-run is not installed.
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "xvfb-run is not installed: skipping $1" >&2
  exit 77
fi
bus=""
if command -v dbus-run-session >/dev/null 2>&1; then bus="dbus-run-session --"; fi
# No accessibility bus and no portals: neither exists on the private server.
export NO_AT_BRIDGE=1 GTK_USE_PORTAL=0
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" $bus "$@"
