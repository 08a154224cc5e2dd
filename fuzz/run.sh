#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while from its
# committed seed corpus, two at a time (one per core). Usage: fuzz/run.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVELMORIN_FUZZ=ON -DVELMORIN_WINDOW=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for source in fuzz/*_fuzz.cpp; do
  targets+=("$(basename "${source%.cpp}")")
done
cmake --build build-fuzz -j2 --target "${targets[@]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs one target; its log and exit status stay in $work for the summary.
run_target() {
  local target=$1 name=${1%_fuzz} status=0
  mkdir -p "$work/$name" "$work/$name.artifacts"
  build-fuzz/fuzz/"$target" -max_total_time="$seconds" -artifact_prefix="$work/$name.artifacts/" \
    "$work/$name" "fuzz/corpus/$name" >"$work/$name.log" 2>&1 || status=$?
  echo "$status" >"$work/$name.status"
}

for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run_target "${targets[i]}" &
  if ((i + 1 < ${#targets[@]})); then run_target "${targets[i + 1]}"; fi
  wait
done

failed=0
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  if [[ $(cat "$work/$name.status") == 0 ]]; then
    echo "fuzz $name: $(grep -o 'Done [0-9]* runs' "$work/$name.log" | tail -1), no crash"
  else
    echo "fuzz $name: FAILED"; tail -n 40 "$work/$name.log"; ls "$work/$name.artifacts"/* 2>/dev/null || true
    failed=1
  fi
done
exit $failed
