#!/usr/bin/env bash
# Builds the Debian package velmorin-sync_<version>_<arch>.deb: a Release build
# for the prefix /usr with Debian's hardening flags, packed by CPack.
#
#   bash scripts/package.sh [OUTPUT_FOLDER]
#
# The package lands in OUTPUT_FOLDER (the repository's top folder by default).
# The build folder, build-package/ unless VELMORIN_PACKAGE_BUILD names another,
# is kept, so that the next package rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
out=$(realpath -m "${1:-$top}")
build=$(realpath -m "${VELMORIN_PACKAGE_BUILD:-$top/build-package}")

bash scripts/install-deps.sh

# The flags a package built by dpkg-buildpackage gets, with all of Debian's
# hardening: fortified functions, stack protection, relocations read-only
# and bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORIN_PACKAGE=ON -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j2

# CPack leaves its work and the package in the build folder; only the package moves.
rm -f "$build"/velmorin-sync_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
shopt -s nullglob
made=("$build"/velmorin-sync_*.deb)
if ((${#made[@]} != 1)); then
  echo "package.sh: CPack made ${#made[@]} packages in $build, not one" >&2
  exit 1
fi
mkdir -p "$out"
mv -f "${made[0]}" "$out/"
echo "$out/$(basename "${made[0]}")"
