#!/usr/bin/env bash
# Installs what building, running and testing Velmorin Sync needs on Debian 12.
# Non-interactive and idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  nlohmann-json3-dev libminizip-dev zlib1g-dev libdeflate-dev libglib2.0-dev libgtest-dev libgmock-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev webkit2gtk-driver libgudev-1.0-dev
  umockdev libumockdev-dev
  xvfb xauth imagemagick dbus-x11 at-spi2-core
  zip unzip libarchive-tools 7zip python3
  chromium fonts-dejavu-core
  dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin
)
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
