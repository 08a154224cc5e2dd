#!/bin/bash
# The package installs with apt-get, works from its installed files alone and
# leaves nothing behind when purged. Installing needs root: as another user
# without password-less sudo the test is skipped (77).
#
# Usage: check_install.sh PACKAGE_FOLDER VERSION SOURCE_DIR BUILD_DIR WINDOW_TEST RUN_WITH_DISPLAY
#
# WINDOW_TEST opens /usr/bin/velmorin-sync under Xvfb and waits for the page's
# status report; it runs where the source and build folders are hidden under
# empty file systems, so that nothing of them can be reached.
set -euo pipefail
package_dir=$1 version=$2 source_dir=$(realpath "$3") build_dir=$(realpath "$4") window_test=$5 with_display=$6
deb="$(realpath "$package_dir")/velmorin-sync_${version}_$(dpkg --print-architecture).deb"
[[ -f $deb ]] || { echo "no package at $deb" >&2; exit 1; }

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if ! sudo -n true 2>/dev/null; then
    echo "installing a package needs root or password-less sudo: skipping" >&2
    exit 77
  fi
  as_root=(sudo -n)
fi
installed() { dpkg-query -W -f='${Status}' velmorin-sync 2>/dev/null | grep -q 'install ok installed'; }
if installed; then
  echo "velmorin-sync is already installed on this machine; this test does not replace it: skipping" >&2
  exit 77
fi

apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300)
work=$(mktemp -d)
cleanup() {
  installed && "${apt[@]}" purge velmorin-sync >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"${apt[@]}" install "$deb"
installed || fail "apt-get did not install $deb"
mapfile -t listed < <(dpkg -L velmorin-sync)
files=()
for path in "${listed[@]}"; do [[ -f $path && ! -L $path ]] && files+=("$path"); done

for wanted in /usr/bin/velmorin-sync /usr/libexec/velmorin-sync-window /usr/share/velmorin-sync/ui/index.html \
  /usr/share/applications/org.velmorin.Sync.desktop /usr/share/icons/hicolor/scalable/apps/org.velmorin.Sync.svg \
  /usr/share/metainfo/org.velmorin.Sync.metainfo.xml /usr/share/man/man1/velmorin-sync.1.gz \
  /usr/share/doc/velmorin-sync/copyright /usr/share/doc/velmorin-sync/changelog.Debian.gz; do
  [[ " ${files[*]} " == *" $wanted "* ]] || fail "the package does not install $wanted"
done

# Nothing installed names the folders the package was built from, and every
# library the programs load is found on the system.
if grep -l -F -e "$source_dir" -e "$build_dir" "${files[@]}"; then
  fail "installed files above name $source_dir or $build_dir"
fi
for program in /usr/bin/velmorin-sync /usr/libexec/velmorin-sync-window; do
  libraries=$(ldd "$program")
  if grep -e 'not found' -e "$source_dir" -e "$build_dir" <<<"$libraries"; then
    fail "$program loads libraries that are missing or not the system's"
  fi
done

# The window test and its display runner move out of the folders about to be hidden.
cp "$window_test" "$work/installed_window_test"
cp "$with_display" "$work/run_with_display.sh"
mkdir -m 1777 "$work/tmp"
# In a mount namespace of its own, the build folder and then the source folder
# go under empty file systems; the rest runs from / as the invoking user with
# the system's PATH and nothing else of this environment.
"${as_root[@]}" unshare --mount --propagation private -- /bin/sh -eu -c '
  for hidden in "$3" "$2"; do
    [ -d "$hidden" ] && mount -t tmpfs -o size=64k,mode=755 velmorin-hidden "$hidden"
  done
  cd /
  exec setpriv --reuid="$4" --regid="$5" --clear-groups -- env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    TMPDIR="$1/tmp" HOME="$1/tmp" /bin/sh -eu -c "
      [ ! -e \"$2/CMakeLists.txt\" ] || { echo \"the source folder is still in reach\" >&2; exit 1; }
      [ \"\$(command -v velmorin-sync)\" = /usr/bin/velmorin-sync ]
      velmorin-sync --version
      [ \"\$(velmorin-sync --version)\" = \"velmorin-sync $6\" ]
      exec \"$1/run_with_display.sh\" \"$1/installed_window_test\"
    "
' velmorin-hidden "$work" "$source_dir" "$build_dir" "$(id -u)" "$(id -g)" "$version" ||
  fail "the installed program did not run as it should (see above)"

"${apt[@]}" purge velmorin-sync
installed && fail "velmorin-sync is still installed after purge"
for path in "${listed[@]}"; do
  # The package's own files and folders go; shared ones (/usr/bin) stay.
  if [[ -e $path || -L $path ]] && { [[ ! -d $path ]] || [[ $path == *velmorin* ]]; }; then
    fail "$path is left after purge"
  fi
done
echo "installed, ran from /usr and purged without a trace"
